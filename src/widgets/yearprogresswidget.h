#pragma once

#include "facewidget.h"
#include "instant.h"

class DigitLabel;
class FaceProgressBar;
class QLabel;

// How much of the calendar year has passed, redrawn hourly.
class YearProgressWidget : public FaceWidget
{
    Q_OBJECT

public:
    explicit YearProgressWidget(QWidget *parent = nullptr);

    // One timeline tick, in the user's current calendar.
    void tick(Instant at);

    QString percentText() const;
    QString captionText() const;
    double progress() const;

private:
    DigitLabel *m_percent;
    FaceProgressBar *m_bar;
    QLabel *m_caption;
};
