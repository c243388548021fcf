#include "clocktext.h"

#include "icu.h"

namespace ClockText {

QString time(Instant at, const icu::Locale &locale, const icu::TimeZone &zone)
{
    return Icu::formatSkeleton(at, u"jm", locale, zone);
}

QString date(Instant at, const icu::Locale &locale, const icu::TimeZone &zone)
{
    return Icu::formatSkeleton(at, u"EEEEMMMMd", locale, zone);
}

QString zoneTime(
    Instant at, QStringView zoneId, const icu::Locale &locale, const icu::TimeZone &localZone)
{
    const std::unique_ptr<icu::TimeZone> zone = Icu::knownTimeZone(zoneId);
    return Icu::formatPattern(at, u"HH:mm", locale, zone ? *zone : localZone);
}

const QList<City> &worldCities()
{
    static const QList<City> cities = {
        {QStringLiteral("London"), QStringLiteral("Europe/London")},
        {QStringLiteral("New York"), QStringLiteral("America/New_York")},
        {QStringLiteral("Tokyo"), QStringLiteral("Asia/Tokyo")},
        {QStringLiteral("Sydney"), QStringLiteral("Australia/Sydney")},
    };
    return cities;
}

} // namespace ClockText
