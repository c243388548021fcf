#pragma once

#include <QColor>
#include <QWidget>

// A linear progress bar: a capsule track with the value's share filled in the tint.
class FaceProgressBar : public QWidget
{
    Q_OBJECT

public:
    explicit FaceProgressBar(const QColor &tint, QWidget *parent = nullptr);

    qreal value() const { return m_value; }
    // Clamped into [0, 1]; NaN counts as 0.
    void setValue(qreal value);
    QColor tint() const { return m_tint; }
    void setTint(const QColor &tint);

    QSize sizeHint() const override { return QSize(120, barHeight); }
    QSize minimumSizeHint() const override { return QSize(barHeight * 2, barHeight); }

    static constexpr int barHeight = 6;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_value = 0;
    QColor m_tint;
};
