#include "icu.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

namespace Icu {

icu::Locale userLocale()
{
    return icu::Locale::getDefault();
}

std::unique_ptr<icu::Calendar> currentCalendar()
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(new icu::GregorianCalendar(userLocale(), status));
    if (U_FAILURE(status))
        return nullptr;
    return calendar;
}

std::unique_ptr<icu::Calendar> calendar(const icu::Locale &locale, QStringView zoneId)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone *zone = icu::TimeZone::createTimeZone(toUnicode(zoneId));
    std::unique_ptr<icu::Calendar> calendar(new icu::GregorianCalendar(zone, locale, status));
    if (U_FAILURE(status))
        return nullptr;
    return calendar;
}

QString toQString(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

icu::UnicodeString toUnicode(QStringView text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t *>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

} // namespace Icu
