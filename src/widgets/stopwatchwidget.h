#pragma once

#include "facewidget.h"
#include "instant.h"

#include <QUuid>
#include <functional>

class DashboardStore;
class DigitLabel;
class ToolbarButtonStyle;

// The stopwatch face: the shown time, redrawn every tenth of a second, with Start/Stop
// and Reset. Only the three actions write; running merely reads the stored start.
class StopwatchWidget : public FaceWidget
{
    Q_OBJECT

public:
    using Clock = std::function<Instant()>;

    StopwatchWidget(DashboardStore *store, const QUuid &id, QWidget *parent = nullptr,
        Clock clock = &Instant::now);

    void toggle();
    void reset();

    QString shownText() const;
    QString startStopText() const;

private:
    void refresh();

    DashboardStore *m_store;
    QUuid m_id;
    Clock m_clock;
    DigitLabel *m_time;
    ToolbarButtonStyle *m_startStop;
    ToolbarButtonStyle *m_reset;
};
