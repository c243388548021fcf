#pragma once

#include <QWidget>
#include <functional>

class DashboardStore;
class QLabel;
class ToolbarButtonStyle;

// The bar across the top of the overlay: the product title, a quiet line while the
// store's changes can't be saved, and the close button.
class DashboardToolbar : public QWidget
{
    Q_OBJECT

public:
    DashboardToolbar(DashboardStore &store, std::function<void()> close, QWidget *parent = nullptr);

    ToolbarButtonStyle *closeButton() const { return m_closeButton; }
    QLabel *saveBanner() const { return m_saveBanner; }

    static constexpr int barHeight = 58;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void showSaveStatus();

    DashboardStore &m_store;
    ToolbarButtonStyle *m_closeButton;
    QLabel *m_saveBanner;
};
