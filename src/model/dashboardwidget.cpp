#include "dashboardwidget.h"

DashboardWidget DashboardWidget::make(
    DashboardWidgetKind kind, double x, double y, const QDateTime &now)
{
    DashboardWidget widget;
    widget.id = QUuid::createUuid();
    widget.kind = kind;
    widget.x = x;
    widget.y = y;
    widget.note = defaultNote;
    widget.countdownTitle = defaultCountdownTitle;
    const QDateTime target = now.addDays(30);
    widget.countdownDate = Instant::fromDateTime(target.isValid() ? target : now);
    return widget;
}
