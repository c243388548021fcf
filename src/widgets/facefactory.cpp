#include "facefactory.h"

#include "batterywidget.h"
#include "calculatorwidget.h"
#include "calendarwidget.h"
#include "clipboardwidget.h"
#include "clockwidget.h"
#include "converterwidget.h"
#include "countdownwidget.h"
#include "dicewidget.h"
#include "icu.h"
#include "noteswidget.h"
#include "quicklinkswidget.h"
#include "quotewidget.h"
#include "stopwatchwidget.h"
#include "systemwidget.h"
#include "worldclockwidget.h"
#include "yearprogresswidget.h"

#include <QWidget>

QWidget *createFace(DashboardWidgetKind kind, const FaceContext &context, QWidget *parent)
{
    // One case per kind; a face that lacks what it needs is an empty card, never a crash.
    switch (kind) {
    case DashboardWidgetKind::clock:
        return new ClockWidget(parent);
    case DashboardWidgetKind::calendar:
        if (auto calendar = Icu::currentCalendar())
            return new CalendarWidget(std::move(calendar), parent);
        return new QWidget(parent);
    case DashboardWidgetKind::notes:
        if (context.store)
            return new NotesWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::battery:
        return new BatteryWidget(parent);
    case DashboardWidgetKind::system:
        return new SystemWidget(parent);
    case DashboardWidgetKind::calculator:
        if (context.store)
            return new CalculatorWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::worldClock:
        return new WorldClockWidget(parent);
    case DashboardWidgetKind::stopwatch:
        if (context.store)
            return new StopwatchWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::converter:
        if (context.store)
            return new ConverterWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::clipboard:
        return new ClipboardWidget(context.services.pasteboard, parent);
    case DashboardWidgetKind::pomodoro:
        // Retired: chrome and handle around nothing.
        return new QWidget(parent);
    case DashboardWidgetKind::countdown:
        if (auto calendar = Icu::currentCalendar(); context.store && calendar)
            return new CountdownWidget(context.store, context.id, std::move(calendar), parent);
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
