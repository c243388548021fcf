#pragma once

#include "calculatorstate.h"
#include "instant.h"
#include "stopwatchstate.h"
#include "unitconversion.h"

#include <QString>
#include <QStringView>
#include <QUuid>

class DashboardStore;

// How the interactive faces read and write their widget's fields. Reads fall back to the
// face's default when the record is missing or has no value yet; every write goes through
// the store (published and saved once) and does nothing for an id that is gone, returning
// false then.
namespace FaceBindings {

CalculatorState calculator(const DashboardStore &store, const QUuid &id);
bool pressCalculatorKey(DashboardStore &store, const QUuid &id, QStringView key);

StopwatchState stopwatch(const DashboardStore &store, const QUuid &id);
bool saveStopwatch(DashboardStore &store, const QUuid &id, const StopwatchState &state);

// "1" until the user has typed something.
QString converterInput(const DashboardStore &store, const QUuid &id);
bool setConverterInput(DashboardStore &store, const QUuid &id, const QString &input);
// The first pair when the stored choice is absent or names no pair.
UnitConversion conversion(const DashboardStore &store, const QUuid &id);
bool setConversion(DashboardStore &store, const QUuid &id, UnitConversion conversion);

QString countdownTitle(const DashboardStore &store, const QUuid &id);
bool setCountdownTitle(DashboardStore &store, const QUuid &id, const QString &title);
// `now` when the record is gone.
Instant countdownTarget(const DashboardStore &store, const QUuid &id, Instant now);
bool setCountdownTarget(DashboardStore &store, const QUuid &id, Instant target);

QString note(const DashboardStore &store, const QUuid &id);
bool setNote(DashboardStore &store, const QUuid &id, const QString &text);

} // namespace FaceBindings
