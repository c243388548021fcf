#pragma once

#include "facewidget.h"

#include <QAbstractButton>
#include <QStringList>
#include <QUuid>

class DashboardStore;
class DigitLabel;

// One key of the calculator's keypad: a label on a rounded, tinted rectangle.
class CalculatorKey : public QAbstractButton
{
    Q_OBJECT

public:
    CalculatorKey(const QString &label, QWidget *parent = nullptr);

    // Digits sit on translucent white, every other key on orange.
    QColor fill() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int minimumHeight = 39;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The calculator face: the display and the nineteen-key keypad. The state lives in the
// widget record; each press reads it, applies the key and writes it back.
class CalculatorWidget : public FaceWidget
{
    Q_OBJECT

public:
    CalculatorWidget(DashboardStore *store, const QUuid &id, QWidget *parent = nullptr);

    static const QStringList keys;

    // Applies a keypad key to this widget's record; nothing when the record is gone.
    void press(const QString &key);
    QString displayText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void refresh();
    void watchCard();

    DashboardStore *m_store;
    QUuid m_id;
    DigitLabel *m_display;
    QWidget *m_watchedCard = nullptr;
};
