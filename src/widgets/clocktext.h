#pragma once

#include "instant.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <unicode/locid.h>
#include <unicode/timezone.h>

// The texts of the clock and world clock faces. The locale and zones are parameters so
// that tests can pin them; the faces pass the user's.
namespace ClockText {

// Hour and minute in the locale's own order and hour cycle ("2:05 PM", "14:05").
QString time(Instant at, const icu::Locale &locale, const icu::TimeZone &zone);
// Full weekday, day of month and full month name, without the year.
QString date(Instant at, const icu::Locale &locale, const icu::TimeZone &zone);
// "HH:mm" in the zone named `zoneId`, 24-hour whatever the locale prefers; a name ICU does
// not know falls back to `localZone`.
QString zoneTime(
    Instant at, QStringView zoneId, const icu::Locale &locale, const icu::TimeZone &localZone);

struct City
{
    QString label;
    QString zoneId;
};

const QList<City> &worldCities();

} // namespace ClockText
