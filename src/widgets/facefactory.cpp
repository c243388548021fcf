#include "facefactory.h"

#include "batterywidget.h"
#include "clipboardwidget.h"
#include "clockwidget.h"
#include "dicewidget.h"
#include "quicklinkswidget.h"
#include "quotewidget.h"
#include "systemwidget.h"
#include "worldclockwidget.h"
#include "yearprogresswidget.h"

#include <QWidget>

QWidget *createFace(DashboardWidgetKind kind, const FaceContext &context, QWidget *parent)
{
    // One case per kind; each face replaces its own line when it lands.
    switch (kind) {
    case DashboardWidgetKind::clock:
        return new ClockWidget(parent);
    case DashboardWidgetKind::calendar:
        return new QWidget(parent);
    case DashboardWidgetKind::notes:
        return new QWidget(parent);
    case DashboardWidgetKind::battery:
        return new BatteryWidget(parent);
    case DashboardWidgetKind::system:
        return new SystemWidget(parent);
    case DashboardWidgetKind::calculator:
        return new QWidget(parent);
    case DashboardWidgetKind::worldClock:
        return new WorldClockWidget(parent);
    case DashboardWidgetKind::stopwatch:
        return new QWidget(parent);
    case DashboardWidgetKind::converter:
        return new QWidget(parent);
    case DashboardWidgetKind::clipboard:
        return new ClipboardWidget(context.services.pasteboard, parent);
    case DashboardWidgetKind::pomodoro:
        // Retired: chrome and handle around nothing.
        return new QWidget(parent);
    case DashboardWidgetKind::countdown:
        return new QWidget(parent);
    case DashboardWidgetKind::quickLinks:
        return new QuickLinksWidget(context.close, context.services.linkOpener, parent);
    case DashboardWidgetKind::yearProgress:
        return new YearProgressWidget(parent);
    case DashboardWidgetKind::quote:
        return new QuoteWidget(parent);
    case DashboardWidgetKind::dice:
        return new DiceWidget(parent);
    }
    return new QWidget(parent);
}
