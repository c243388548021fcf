#pragma once

#include "facewidget.h"
#include "instant.h"

class DigitLabel;
class QLabel;

// The local time, large, with the weekday and date under it. Redrawn every second.
class ClockWidget : public FaceWidget
{
    Q_OBJECT

public:
    explicit ClockWidget(QWidget *parent = nullptr);

    // One timeline tick: the face for `at` in the user's locale and zone.
    void tick(Instant at);

    QString timeText() const;
    QString dateText() const;

private:
    DigitLabel *m_time;
    QLabel *m_date;
};
