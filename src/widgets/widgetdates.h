#pragma once

#include "instant.h"

#include <QList>
#include <QStringList>
#include <optional>
#include <unicode/calendar.h>

// Stateless calendar arithmetic for the countdown and calendar faces. Every function
// takes the calendar, so tests pin its locale and time zone.
namespace WidgetDates {

// Whole calendar days from the day holding `now` to the day holding `until`; 0 for
// today, any past day, or when the calendar cannot tell.
int daysRemaining(Instant until, Instant now, const icu::Calendar &calendar);

// The month holding `containing` as grid cells: empty cells up to the weekday of the
// 1st (counted from the calendar's first weekday), then the start of each day.
QList<std::optional<Instant>> monthDates(Instant containing, const icu::Calendar &calendar);

// The very short stand-alone weekday names, starting at the calendar's first weekday.
QStringList weekdaySymbols(const icu::Calendar &calendar);

// `date` moved by `months` calendar months (the day clamped to the month's length).
std::optional<Instant> addingMonths(Instant date, int months, const icu::Calendar &calendar);

bool isSameDay(Instant a, Instant b, const icu::Calendar &calendar);

} // namespace WidgetDates
