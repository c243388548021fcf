#pragma once

#include <QColor>
#include <QWidget>

class DigitLabel;
class FaceProgressBar;

// One gauge of the system face: a tinted symbol beside a label, a whole percentage and a bar.
class MetricRow : public QWidget
{
    Q_OBJECT

public:
    MetricRow(
        const QString &icon, const QString &label, const QColor &tint, QWidget *parent = nullptr);

    double value() const { return m_value; }
    void setValue(double fraction);
    QString percentText() const;

private:
    double m_value = 0;
    DigitLabel *m_percent;
    FaceProgressBar *m_bar;
};
