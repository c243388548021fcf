#include "icu.h"

#include <QCache>
#include <QTimeZone>
#include <optional>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

namespace Icu {

QByteArray localeName(Category category, const std::function<QByteArray(const char *)> &environment)
{
    for (const char *variable :
        {"LC_ALL", category == Category::time ? "LC_TIME" : "LC_NUMERIC", "LANG"}) {
        QByteArray value = environment(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

icu::Locale localeFromPosix(const QByteArray &name)
{
    if (name.isEmpty())
        return icu::Locale::getDefault();
    // language[_territory][.codeset][@modifier]
    QByteArray base = name;
    QByteArray modifier;
    if (const qsizetype at = base.indexOf('@'); at >= 0) {
        modifier = base.mid(at + 1);
        base.truncate(at);
    }
    if (const qsizetype dot = base.indexOf('.'); dot >= 0)
        base.truncate(dot);
    if (base == "C" || base == "POSIX")
        return icu::Locale("en_US_POSIX");
    icu::Locale locale(base.constData());
    if (locale.isBogus())
        return icu::Locale::getDefault();
    if (modifier == "latin" || modifier == "cyrillic") {
        const QByteArray scripted = QByteArray(locale.getLanguage())
            + (modifier == "latin" ? "_Latn_" : "_Cyrl_") + locale.getCountry();
        return icu::Locale(scripted.constData());
    }
    return locale;
}

namespace {

QByteArray environmentVariable(const char *name)
{
    return qgetenv(name);
}

} // namespace

icu::Locale timeLocale()
{
    return localeFromPosix(localeName(Category::time, environmentVariable));
}

icu::Locale numberLocale()
{
    return localeFromPosix(localeName(Category::numbers, environmentVariable));
}

namespace {

QByteArray s_systemZone;
int s_zoneGeneration = 0;

} // namespace

void followSystemZone()
{
    const QByteArray system = QTimeZone::systemTimeZoneId();
    if (system.isEmpty() || system == s_systemZone)
        return;
    const bool first = s_systemZone.isEmpty();
    s_systemZone = system;
    if (first)
        return;
    std::unique_ptr<icu::TimeZone> zone = knownTimeZone(QString::fromLatin1(system));
    if (!zone)
        return;
    icu::TimeZone::adoptDefault(zone.release());
    ++s_zoneGeneration;
}

int zoneGeneration()
{
    return s_zoneGeneration;
}

void followZone(icu::Calendar &calendar, int &generation)
{
    if (generation == s_zoneGeneration)
        return;
    generation = s_zoneGeneration;
    calendar.adoptTimeZone(icu::TimeZone::createDefault());
}

std::unique_ptr<icu::Calendar> currentCalendar()
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(new icu::GregorianCalendar(timeLocale(), status));
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

namespace {

// Building a pattern generator or a formatter costs far more than formatting with it, and
// faces format the same few patterns on every tick and every show. ICU's formatters must
// not be shared between threads, so each thread keeps its own, a few of each.
constexpr int keptFormatters = 32;

QString localeKey(const icu::Locale &locale, QStringView detail)
{
    return QString::fromLatin1(locale.getName()).append(u'\x1f').append(detail);
}

// The formatter of `pattern` for `locale`; null when ICU refuses the pattern. Valid until
// the next call on this thread.
icu::SimpleDateFormat *dateFormat(QStringView pattern, const icu::Locale &locale)
{
    thread_local QCache<QString, icu::SimpleDateFormat> formats(keptFormatters);
    const QString key = localeKey(locale, pattern);
    if (icu::SimpleDateFormat *format = formats.object(key))
        return format;
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(toUnicode(pattern), locale, status);
    if (U_FAILURE(status))
        return nullptr;
    icu::SimpleDateFormat *kept = format.get();
    formats.insert(key, format.release());
    return kept;
}

// The locale's best pattern for the fields of `skeleton`; null when ICU has none.
std::optional<QString> bestPattern(QStringView skeleton, const icu::Locale &locale)
{
    thread_local QCache<QString, QString> patterns(keptFormatters);
    const QString key = localeKey(locale, skeleton);
    if (const QString *pattern = patterns.object(key))
        return *pattern;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status))
        return std::nullopt;
    const icu::UnicodeString pattern = generator->getBestPattern(toUnicode(skeleton), status);
    if (U_FAILURE(status))
        return std::nullopt;
    auto *kept = new QString(toQString(pattern));
    const QString result = *kept;
    patterns.insert(key, kept);
    return result;
}

// The percent format of `locale` with exactly `fractionDigits` digits; null when ICU has none.
icu::NumberFormat *percentFormat(int fractionDigits, const icu::Locale &locale)
{
    thread_local QCache<QString, icu::NumberFormat> formats(keptFormatters);
    const QString key = localeKey(locale, QString::number(fractionDigits));
    if (icu::NumberFormat *format = formats.object(key))
        return format;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(
        icu::NumberFormat::createPercentInstance(locale, status));
    if (U_FAILURE(status) || !format)
        return nullptr;
    format->setMinimumFractionDigits(fractionDigits);
    format->setMaximumFractionDigits(fractionDigits);
    icu::NumberFormat *kept = format.get();
    formats.insert(key, format.release());
    return kept;
}

} // namespace

QString formatPattern(
    Instant at, QStringView pattern, const icu::Locale &locale, const icu::TimeZone &zone)
{
    icu::SimpleDateFormat *format = dateFormat(pattern, locale);
    if (!format)
        return {};
    // The zone comes with each call (the default one moves when the system's does).
    if (!(format->getTimeZone() == zone))
        format->setTimeZone(zone);
    icu::UnicodeString text;
    format->format(toUDate(at), text);
    return toQString(text);
}

QString formatSkeleton(
    Instant at, QStringView skeleton, const icu::Locale &locale, const icu::TimeZone &zone)
{
    const std::optional<QString> pattern = bestPattern(skeleton, locale);
    if (!pattern)
        return {};
    return formatPattern(at, *pattern, locale, zone);
}

QString formatPercent(double fraction, int fractionDigits, const icu::Locale &locale)
{
    icu::NumberFormat *format = percentFormat(fractionDigits, locale);
    if (!format)
        return QString::number(fraction * 100, 'f', fractionDigits) + u'%';
    icu::UnicodeString text;
    format->format(fraction, text);
    return toQString(text);
}

} // namespace Icu
