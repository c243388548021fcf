#pragma once

#include "instant.h"

#include <QList>
#include <QString>
#include <unicode/calendar.h>

// Figures of the year progress, quote and dice faces. Dates are read in the calendar
// passed in, so tests pin its zone and locale.

// The fraction of the calendar year holding `at` that has passed, in [0, 1).
double yearProgress(Instant at, const icu::Calendar &calendar);
// The calendar's year number of `at`.
int yearNumber(Instant at, const icu::Calendar &calendar);

struct Quote
{
    QString text;
    QString author;
};

const QList<Quote> &dailyQuotes();
// Index into a list of `count` quotes for the day holding `at`: its ordinal in the year
// (1 for January 1st) modulo `count`.
int quoteIndex(Instant at, const icu::Calendar &calendar, int count);

// One fair die, 1 to 6, from the system's secure random source.
int rollDie();
