#include "calculatorstate.h"

#include <charconv>
#include <cmath>

namespace {

const QString kError = QStringLiteral("Error");
constexpr qsizetype kMaxDisplayLength = 16;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isOperator(QStringView key)
{
    return key == u"+" || key == u"\u2212" || key == u"\u00D7" || key == u"\u00F7";
}

} // namespace

std::optional<double> CalculatorState::parseDisplay(QStringView text)
{
    // Validate the exact grammar first; from_chars alone would accept a prefix.
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype mantissaStart = i;
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isAsciiDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        const qsizetype exponentStart = i;
        while (i < n && isAsciiDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    const QByteArray latin = text.toLatin1();
    const char *begin = latin.constData() + (text[0] == u'+' ? 1 : 0);
    const char *end = latin.constData() + latin.size();
    double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ptr != end)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Overflow reads as infinity, underflow as zero, as strtod does.
        const bool negative = text[0] == u'-';
        const bool tiny = text.mid(mantissaStart).contains(u"e-", Qt::CaseInsensitive);
        return tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return value;
}

QString CalculatorState::resultText(double value)
{
    if (!std::isfinite(value))
        return kError;
    char buffer[64];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 12);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

void CalculatorState::press(QStringView key)
{
    if (key == u"C") {
        *this = CalculatorState {};
        return;
    }
    if (!key.isEmpty() && key.front().isNumber()) {
        if (startsNewNumber || display == u"0" || display == kError)
            display = key.toString();
        else if (display.size() < kMaxDisplayLength)
            display += key;
        startsNewNumber = false;
        return;
    }
    if (key == u".") {
        if (startsNewNumber || display == kError)
            display = QStringLiteral("0");
        if (!display.contains(u'.'))
            display += u'.';
        startsNewNumber = false;
        return;
    }
    if (key == u"\u00B1") {
        if (display == u"0" || display == kError)
            return;
        if (display.startsWith(u'-'))
            display.remove(0, 1);
        else
            display.prepend(u'-');
        return;
    }
    if (key == u"%") {
        if (const auto value = parseDisplay(display))
            display = resultText(*value / 100.0);
        return;
    }
    if (key == u"=") {
        if (!startsNewNumber) {
            calculate();
            startsNewNumber = true;
        }
        return;
    }
    if (isOperator(key)) {
        if (operation && !startsNewNumber)
            calculate();
        const auto value = parseDisplay(display);
        if (value && std::isfinite(*value)) {
            stored = *value;
            operation = key.toString();
            startsNewNumber = true;
        }
        return;
    }
}

void CalculatorState::calculate()
{
    if (!stored)
        return;
    const auto right = parseDisplay(display);
    if (!right || !operation)
        return;
    double outcome;
    if (*operation == u"+")
        outcome = *stored + *right;
    else if (*operation == u"\u2212")
        outcome = *stored - *right;
    else if (*operation == u"\u00D7")
        outcome = *stored * *right;
    else
        outcome = *stored / *right;
    display = resultText(outcome);
    stored.reset();
    operation.reset();
}
