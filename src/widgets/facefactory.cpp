#include "facefactory.h"

#include <QWidget>

QWidget *createFace(DashboardWidgetKind kind, const FaceContext &context, QWidget *parent)
{
    Q_UNUSED(context);
    // One case per kind; each face replaces its own line when it lands.
    switch (kind) {
    case DashboardWidgetKind::clock:
        return new QWidget(parent);
    case DashboardWidgetKind::calendar:
        return new QWidget(parent);
    case DashboardWidgetKind::notes:
        return new QWidget(parent);
    case DashboardWidgetKind::battery:
        return new QWidget(parent);
    case DashboardWidgetKind::system:
        return new QWidget(parent);
    case DashboardWidgetKind::calculator:
        return new QWidget(parent);
    case DashboardWidgetKind::worldClock:
        return new QWidget(parent);
    case DashboardWidgetKind::stopwatch:
        return new QWidget(parent);
    case DashboardWidgetKind::converter:
        return new QWidget(parent);
    case DashboardWidgetKind::clipboard:
        return new QWidget(parent);
    case DashboardWidgetKind::pomodoro:
        // Retired: chrome and handle around nothing.
        return new QWidget(parent);
    case DashboardWidgetKind::countdown:
        return new QWidget(parent);
    case DashboardWidgetKind::quickLinks:
        return new QWidget(parent);
    case DashboardWidgetKind::yearProgress:
        return new QWidget(parent);
    case DashboardWidgetKind::quote:
        return new QWidget(parent);
    case DashboardWidgetKind::dice:
        return new QWidget(parent);
    }
    return new QWidget(parent);
}
