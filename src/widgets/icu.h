#pragma once

#include "instant.h"

#include <QString>
#include <QStringView>
#include <memory>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

// Small bridges between Qt and ICU, shared by every face that formats or computes dates
// and numbers. Pure functions take the locale or calendar as a parameter; only these
// helpers read the user's settings.
namespace Icu {

// The user's locale as ICU resolves it from LC_ALL / LC_* / LANG.
icu::Locale userLocale();
// A Gregorian calendar in the default time zone, with the user's first weekday.
std::unique_ptr<icu::Calendar> currentCalendar();
// A Gregorian calendar for `locale` in `zoneId` (tests pin both).
std::unique_ptr<icu::Calendar> calendar(const icu::Locale &locale, QStringView zoneId);

QString toQString(const icu::UnicodeString &text);
icu::UnicodeString toUnicode(QStringView text);

inline UDate toUDate(Instant instant)
{
    return instant.unixSeconds() * 1000.0;
}
inline Instant fromUDate(UDate date)
{
    return Instant::fromUnixSeconds(date / 1000.0);
}

// The zone named `id`, or null when ICU does not know the name.
std::unique_ptr<icu::TimeZone> knownTimeZone(QStringView id);
// `at` written with the fixed `pattern`, whatever the locale's own preferences.
QString formatPattern(
    Instant at, QStringView pattern, const icu::Locale &locale, const icu::TimeZone &zone);
// `at` written with the locale's best pattern for the field set of `skeleton`.
QString formatSkeleton(
    Instant at, QStringView skeleton, const icu::Locale &locale, const icu::TimeZone &zone);
// `fraction` as a percentage with exactly `fractionDigits` digits after the separator.
QString formatPercent(double fraction, int fractionDigits, const icu::Locale &locale);

} // namespace Icu
