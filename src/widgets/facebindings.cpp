#include "facebindings.h"

#include "dashboardstore.h"

namespace FaceBindings {

CalculatorState calculator(const DashboardStore &store, const QUuid &id)
{
    const DashboardWidget *widget = store.widget(id);
    return widget && widget->calculator ? *widget->calculator : CalculatorState {};
}

bool pressCalculatorKey(DashboardStore &store, const QUuid &id, QStringView key)
{
    CalculatorState state = calculator(store, id);
    state.press(key);
    return store.updateWidget(id, [&](DashboardWidget &widget) { widget.calculator = state; });
}

StopwatchState stopwatch(const DashboardStore &store, const QUuid &id)
{
    const DashboardWidget *widget = store.widget(id);
    return widget && widget->stopwatch ? *widget->stopwatch : StopwatchState {};
}

bool saveStopwatch(DashboardStore &store, const QUuid &id, const StopwatchState &state)
{
    return store.updateWidget(id, [&](DashboardWidget &widget) { widget.stopwatch = state; });
}

QString converterInput(const DashboardStore &store, const QUuid &id)
{
    const DashboardWidget *widget = store.widget(id);
    return widget && widget->converterInput ? *widget->converterInput : QStringLiteral("1");
}

bool setConverterInput(DashboardStore &store, const QUuid &id, const QString &input)
{
    return store.updateWidget(id, [&](DashboardWidget &widget) { widget.converterInput = input; });
}

UnitConversion conversion(const DashboardStore &store, const QUuid &id)
{
    const DashboardWidget *widget = store.widget(id);
    const QString choice = widget ? widget->converterChoice.value_or(QString()) : QString();
    return UnitConversions::fromRawText(choice).value_or(UnitConversion::kilometresToMiles);
}

bool setConversion(DashboardStore &store, const QUuid &id, UnitConversion conversion)
{
    return store.updateWidget(id, [&](DashboardWidget &widget) {
        widget.converterChoice = UnitConversions::rawText(conversion);
    });
}

QString countdownTitle(const DashboardStore &store, const QUuid &id)
{
    const DashboardWidget *widget = store.widget(id);
    return widget ? widget->countdownTitle : QString();
}

bool setCountdownTitle(DashboardStore &store, const QUuid &id, const QString &title)
{
    return store.updateWidget(id, [&](DashboardWidget &widget) { widget.countdownTitle = title; });
}

Instant countdownTarget(const DashboardStore &store, const QUuid &id, Instant now)
{
    const DashboardWidget *widget = store.widget(id);
    return widget ? widget->countdownDate : now;
}

bool setCountdownTarget(DashboardStore &store, const QUuid &id, Instant target)
{
    return store.updateWidget(id, [&](DashboardWidget &widget) { widget.countdownDate = target; });
}

QString note(const DashboardStore &store, const QUuid &id)
{
    const DashboardWidget *widget = store.widget(id);
    return widget ? widget->note : QString();
}

bool setNote(DashboardStore &store, const QUuid &id, const QString &text)
{
    return store.updateWidget(id, [&](DashboardWidget &widget) { widget.note = text; });
}

} // namespace FaceBindings
