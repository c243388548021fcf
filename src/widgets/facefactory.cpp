#include "facefactory.h"

#include "calculatorwidget.h"
#include "calendarwidget.h"
#include "converterwidget.h"
#include "countdownwidget.h"
#include "icu.h"
#include "noteswidget.h"
#include "stopwatchwidget.h"

#include <QWidget>

QWidget *createFace(DashboardWidgetKind kind, const FaceContext &context, QWidget *parent)
{
    Q_UNUSED(context);
    // One case per kind; each face replaces its own line when it lands.
    switch (kind) {
    case DashboardWidgetKind::clock:
        return new QWidget(parent);
    case DashboardWidgetKind::calendar:
        if (auto calendar = Icu::currentCalendar())
            return new CalendarWidget(std::move(calendar), parent);
        return new QWidget(parent);
    case DashboardWidgetKind::notes:
        if (context.store)
            return new NotesWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::battery:
        return new QWidget(parent);
    case DashboardWidgetKind::system:
        return new QWidget(parent);
    case DashboardWidgetKind::calculator:
        if (context.store)
            return new CalculatorWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::worldClock:
        return new QWidget(parent);
    case DashboardWidgetKind::stopwatch:
        if (context.store)
            return new StopwatchWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::converter:
        if (context.store)
            return new ConverterWidget(context.store, context.id, parent);
        return new QWidget(parent);
    case DashboardWidgetKind::clipboard:
        return new QWidget(parent);
    case DashboardWidgetKind::pomodoro:
        // Retired: chrome and handle around nothing.
        return new QWidget(parent);
    case DashboardWidgetKind::countdown:
        if (auto calendar = Icu::currentCalendar(); context.store && calendar)
            return new CountdownWidget(context.store, context.id, std::move(calendar), parent);
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
