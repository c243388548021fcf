#pragma once

#include "facewidget.h"
#include "instant.h"

#include <QList>

class DigitLabel;

// Four cities with their local time, 24-hour, redrawn every second.
class WorldClockWidget : public FaceWidget
{
    Q_OBJECT

public:
    explicit WorldClockWidget(QWidget *parent = nullptr);

    void tick(Instant at);

    // The shown time of each city, in list order.
    QStringList timeTexts() const;

private:
    QList<DigitLabel *> m_times;
};
