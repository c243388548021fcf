#pragma once

#include <QWidget>
#include <functional>

class DashboardStore;
class ToolbarButtonStyle;

// The bar across the top of the overlay: the product title and the close button.
class DashboardToolbar : public QWidget
{
    Q_OBJECT

public:
    DashboardToolbar(DashboardStore &store, std::function<void()> close, QWidget *parent = nullptr);

    ToolbarButtonStyle *closeButton() const { return m_closeButton; }

    static constexpr int barHeight = 58;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    ToolbarButtonStyle *m_closeButton;
};
