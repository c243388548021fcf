#include "unitconversion.h"

#include "icu.h"

#include <cmath>
#include <memory>
#include <unicode/numfmt.h>

namespace UnitConversions {

namespace {

constexpr double kKilometresPerMile = 1.609344;
constexpr double kKilogramsPerPound = 0.45359237;

std::unique_ptr<icu::NumberFormat> decimalFormat(const icu::Locale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(locale, status));
    if (U_FAILURE(status))
        return nullptr;
    return format;
}

} // namespace

QString rawText(UnitConversion conversion)
{
    switch (conversion) {
    case UnitConversion::kilometresToMiles:
        return QStringLiteral("Kilometres \u2192 Miles");
    case UnitConversion::milesToKilometres:
        return QStringLiteral("Miles \u2192 Kilometres");
    case UnitConversion::celsiusToFahrenheit:
        return QStringLiteral("Celsius \u2192 Fahrenheit");
    case UnitConversion::fahrenheitToCelsius:
        return QStringLiteral("Fahrenheit \u2192 Celsius");
    case UnitConversion::kilogramsToPounds:
        return QStringLiteral("Kilograms \u2192 Pounds");
    case UnitConversion::poundsToKilograms:
        return QStringLiteral("Pounds \u2192 Kilograms");
    }
    return {};
}

std::optional<UnitConversion> fromRawText(QStringView text)
{
    for (const UnitConversion conversion : all) {
        if (text == rawText(conversion))
            return conversion;
    }
    return std::nullopt;
}

QString unit(UnitConversion conversion)
{
    switch (conversion) {
    case UnitConversion::kilometresToMiles:
        return QStringLiteral("mi");
    case UnitConversion::milesToKilometres:
        return QStringLiteral("km");
    case UnitConversion::celsiusToFahrenheit:
        return QStringLiteral("\u00B0F");
    case UnitConversion::fahrenheitToCelsius:
        return QStringLiteral("\u00B0C");
    case UnitConversion::kilogramsToPounds:
        return QStringLiteral("lb");
    case UnitConversion::poundsToKilograms:
        return QStringLiteral("kg");
    }
    return {};
}

double convert(UnitConversion conversion, double x)
{
    // The order of operations is part of the result: 9 multiplies before 5 divides.
    switch (conversion) {
    case UnitConversion::kilometresToMiles:
        return x / kKilometresPerMile;
    case UnitConversion::milesToKilometres:
        return x * kKilometresPerMile;
    case UnitConversion::celsiusToFahrenheit:
        return x * 9 / 5 + 32;
    case UnitConversion::fahrenheitToCelsius:
        return (x - 32) * 5 / 9;
    case UnitConversion::kilogramsToPounds:
        return x / kKilogramsPerPound;
    case UnitConversion::poundsToKilograms:
        return x * kKilogramsPerPound;
    }
    return x;
}

std::optional<double> parse(QStringView text, const icu::Locale &locale)
{
    if (text.isEmpty())
        return std::nullopt;
    const auto format = decimalFormat(locale);
    if (!format)
        return std::nullopt;
    format->setLenient(true);
    const icu::UnicodeString source = Icu::toUnicode(text);
    icu::Formattable number;
    icu::ParsePosition position(0);
    format->parse(source, number, position);
    if (position.getErrorIndex() != -1 || position.getIndex() != source.length())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const double value = number.getDouble(status);
    if (U_FAILURE(status) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString format(double value, const icu::Locale &locale)
{
    const auto format = decimalFormat(locale);
    if (!format)
        return QString::number(value, 'f', 2);
    format->setMinimumFractionDigits(0);
    format->setMaximumFractionDigits(2);
    icu::UnicodeString text;
    format->format(value, text);
    return Icu::toQString(text);
}

QString result(QStringView input, UnitConversion conversion, const icu::Locale &locale)
{
    const auto value = parse(input, locale);
    if (!value)
        return QStringLiteral("\u2014");
    const double converted = convert(conversion, *value);
    if (!std::isfinite(converted))
        return QStringLiteral("Out of range");
    return format(converted, locale) + u' ' + unit(conversion);
}

} // namespace UnitConversions
