#pragma once

#include "instant.h"

#include <QString>
#include <QStringView>

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

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

inline UDate toUDate(Instant instant) { return instant.unixSeconds() * 1000.0; }
inline Instant fromUDate(UDate date) { return Instant::fromUnixSeconds(date / 1000.0); }

} // namespace Icu
