#pragma once

#include "instant.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

// Small bridges between Qt and ICU, shared by every face that formats or computes dates
// and numbers. Pure functions take the locale or calendar as a parameter; only these
// helpers read the user's settings.
namespace Icu {

// The locale categories the faces format by.
enum class Category {
    time, // times, dates, weekday names and the calendar (LC_TIME)
    numbers, // numbers, percentages and the converter (LC_NUMERIC)
};

// The POSIX locale name the environment gives `category`: LC_ALL, then the category's
// own variable, then LANG; an empty variable counts as unset. Empty when none is set.
QByteArray localeName(
    Category category, const std::function<QByteArray(const char *)> &environment);
// The ICU locale of a POSIX name such as "de_DE.UTF-8" or "sr_RS@latin"; "C" and
// "POSIX" are en_US_POSIX, and an empty name is ICU's default locale.
icu::Locale localeFromPosix(const QByteArray &name);
// The user's locale for times and for numbers, from the environment. ICU's own default
// follows LC_MESSAGES, which is the language of the interface, not the user's formats.
icu::Locale timeLocale();
icu::Locale numberLocale();

// A Gregorian calendar in the default time zone, with the first weekday of the user's
// time locale.
std::unique_ptr<icu::Calendar> currentCalendar();

// ICU keeps the zone it found at start for the life of the process. This brings its
// default zone in line with the system's current one (TZ, /etc/localtime) when that has
// changed since the last call; the first call only notes the system's zone.
void followSystemZone();
// Grows each time followSystemZone() moves the default zone, so that a face holding its
// own calendar knows to move it too.
int zoneGeneration();
// Moves a face's own calendar to the default zone when that moved since `generation`.
void followZone(icu::Calendar &calendar, int &generation);
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
