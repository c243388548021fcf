#pragma once

#include "calculatorstate.h"
#include "dashboardwidgetkind.h"
#include "instant.h"
#include "stopwatchstate.h"

#include <QString>
#include <QUuid>
#include <optional>

// One card on one display, with the state the faces of some kinds keep. Every widget
// carries every field whatever its kind.
struct DashboardWidget
{
    QUuid id;
    DashboardWidgetKind kind = DashboardWidgetKind::clock;
    double x = 0;
    double y = 0;
    QString note;
    QString countdownTitle;
    Instant countdownDate;
    std::optional<StopwatchState> stopwatch;
    std::optional<CalculatorState> calculator;
    std::optional<QString> converterInput;
    std::optional<QString> converterChoice;
    // Kept from the retired focus timer; carried through unchanged and never read.
    std::optional<qint64> focusRemaining;
    std::optional<bool> focusIsRunning;
    std::optional<Instant> focusStartedAt;

    static inline const QString defaultNote = QStringLiteral("Ideas, reminders, anything\u2026");
    static inline const QString defaultCountdownTitle = QStringLiteral("A brilliant day");

    // A new widget with a fresh id and every other field at its default. The countdown
    // target is 30 calendar days after `now` in local time.
    static DashboardWidget make(DashboardWidgetKind kind, double x, double y,
        const QDateTime &now = QDateTime::currentDateTime());

    bool operator==(const DashboardWidget &) const = default;
};
