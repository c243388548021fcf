#include "icu.h"

#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>
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
    return icu::UnicodeString(
        reinterpret_cast<const char16_t *>(text.utf16()), static_cast<int32_t>(text.size()));
}

std::unique_ptr<icu::TimeZone> knownTimeZone(QStringView id)
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(toUnicode(id)));
    if (!zone || *zone == icu::TimeZone::getUnknown())
        return nullptr;
    return zone;
}

QString formatPattern(
    Instant at, QStringView pattern, const icu::Locale &locale, const icu::TimeZone &zone)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(toUnicode(pattern), locale, status);
    if (U_FAILURE(status))
        return {};
    format.setTimeZone(zone);
    icu::UnicodeString text;
    format.format(toUDate(at), text);
    return toQString(text);
}

QString formatSkeleton(
    Instant at, QStringView skeleton, const icu::Locale &locale, const icu::TimeZone &zone)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status))
        return {};
    const icu::UnicodeString pattern = generator->getBestPattern(toUnicode(skeleton), status);
    if (U_FAILURE(status))
        return {};
    return formatPattern(at, toQString(pattern), locale, zone);
}

QString formatPercent(double fraction, int fractionDigits, const icu::Locale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(
        icu::NumberFormat::createPercentInstance(locale, status));
    if (U_FAILURE(status) || !format)
        return QString::number(fraction * 100, 'f', fractionDigits) + u'%';
    format->setMinimumFractionDigits(fractionDigits);
    format->setMaximumFractionDigits(fractionDigits);
    icu::UnicodeString text;
    format->format(fraction, text);
    return toQString(text);
}

} // namespace Icu
