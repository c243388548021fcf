#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// What one calculator shows and remembers. press() applies one keypad key.
struct CalculatorState
{
    QString display = QStringLiteral("0");
    std::optional<double> stored;
    // The pending operator key: "+", "−" (U+2212), "×" or "÷".
    std::optional<QString> operation;
    bool startsNewNumber = true;

    void press(QStringView key);

    // The display as a number, when it is exactly one: sign, digits, optional fraction
    // and exponent, and nothing else.
    static std::optional<double> parseDisplay(QStringView text);
    // "%.12g" in the C locale; "Error" for a non-finite value.
    static QString resultText(double value);

    bool operator==(const CalculatorState &) const = default;

private:
    void calculate();
};
