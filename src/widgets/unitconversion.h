#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <unicode/locid.h>

// The converter's fixed pairs of units. The raw text is both the stored choice and the
// title shown in the picker.
enum class UnitConversion {
    kilometresToMiles,
    milesToKilometres,
    celsiusToFahrenheit,
    fahrenheitToCelsius,
    kilogramsToPounds,
    poundsToKilograms,
};

namespace UnitConversions {

inline constexpr std::array<UnitConversion, 6> all = {
    UnitConversion::kilometresToMiles,
    UnitConversion::milesToKilometres,
    UnitConversion::celsiusToFahrenheit,
    UnitConversion::fahrenheitToCelsius,
    UnitConversion::kilogramsToPounds,
    UnitConversion::poundsToKilograms,
};

QString rawText(UnitConversion conversion);
// No value for a text that names none of the pairs.
std::optional<UnitConversion> fromRawText(QStringView text);
QString unit(UnitConversion conversion);
double convert(UnitConversion conversion, double value);

// The locale's decimal number in `text`, parsed leniently; the whole text must be
// consumed. No value for empty, partial or non-finite input.
std::optional<double> parse(QStringView text, const icu::Locale &locale);
// The value with 0 to 2 fraction digits and the locale's separators.
QString format(double value, const icu::Locale &locale);

// What the converter shows for `input`: the converted number and its unit, "—" for
// input that is not a number, "Out of range" when the conversion overflows.
QString result(QStringView input, UnitConversion conversion, const icu::Locale &locale);

} // namespace UnitConversions
