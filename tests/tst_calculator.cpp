#include "calculatorstate.h"
#include "stopwatchstate.h"

#include <QTest>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Keys separated by spaces, as they reach press(): "1 ÷ 0 =".
CalculatorState pressAll(const QString &keys, CalculatorState state = {})
{
    const QStringList list = keys.split(u' ', Qt::SkipEmptyParts);
    for (const QString &key : list)
        state.press(key);
    return state;
}

} // namespace

class TestCalculator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keySequencesShow_data();
    void keySequencesShow();
    void pendingStateAfterKeys_data();
    void pendingStateAfterKeys();
    void clearRestoresTheDefault();
    void seventeenthDigitIsIgnoredButEndsNewNumber();
    void parseDisplayIsStrict_data();
    void parseDisplayIsStrict();
    void resultTextIsPercentTwelveG_data();
    void resultTextIsPercentTwelveG();
    void keysFromErrorState_data();
    void keysFromErrorState();

    void stopwatchFormat_data();
    void stopwatchFormat();
    void stopwatchToggle();
    void stopwatchFutureStartAddsNothing();
};

void TestCalculator::keySequencesShow_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");

    QTest::addRow("fresh") << u""_qs << u"0"_qs;
    QTest::addRow("leading zero replaced") << u"5"_qs << u"5"_qs;
    QTest::addRow("digits append") << u"7 8"_qs << u"78"_qs;
    QTest::addRow("zero then zero") << u"0 0 0"_qs << u"0"_qs;
    QTest::addRow("sixteen digits")
        << u"1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6"_qs << u"1234567890123456"_qs;
    QTest::addRow("seventeenth digit ignored")
        << u"1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7"_qs << u"1234567890123456"_qs;
    QTest::addRow("sign and point count toward 16")
        << u"1 ± . 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6"_qs << u"-1.2345678901234"_qs;
    QTest::addRow("point on fresh") << u"."_qs << u"0."_qs;
    QTest::addRow("second point ignored") << u". ."_qs << u"0."_qs;
    QTest::addRow("point after digits") << u"3 . 5 . 1"_qs << u"3.51"_qs;
    QTest::addRow("point after operator starts 0.") << u"3 + ."_qs << u"0."_qs;
    QTest::addRow("± on 0") << u"±"_qs << u"0"_qs;
    QTest::addRow("± on 5") << u"5 ±"_qs << u"-5"_qs;
    QTest::addRow("± twice") << u"5 ± ±"_qs << u"5"_qs;
    QTest::addRow("± on 0.") << u". ±"_qs << u"-0."_qs;
    QTest::addRow("1 ÷ 0 =") << u"1 ÷ 0 ="_qs << u"Error"_qs;
    QTest::addRow("0 ÷ 0 =") << u"0 ÷ 0 ="_qs << u"Error"_qs;
    QTest::addRow("digit after Error") << u"1 ÷ 0 = 5"_qs << u"5"_qs;
    QTest::addRow("1 ÷ 3 =") << u"1 ÷ 3 ="_qs << u"0.333333333333"_qs;
    QTest::addRow("2 ÷ 3 =") << u"2 ÷ 3 ="_qs << u"0.666666666667"_qs;
    QTest::addRow("0.1 + 0.2 =") << u"0 . 1 + 0 . 2 ="_qs << u"0.3"_qs;
    QTest::addRow("999999 × 1000000 =")
        << u"9 9 9 9 9 9 × 1 0 0 0 0 0 0 ="_qs << u"999999000000"_qs;
    QTest::addRow("1000000 × 1000000 =") << u"1 0 0 0 0 0 0 × 1 0 0 0 0 0 0 ="_qs << u"1e+12"_qs;
    QTest::addRow("small result uses exponent") << u"1 ÷ 1 0 0 0 0 0 ="_qs << u"1e-05"_qs;
    QTest::addRow("5 ± × 0 = is -0") << u"5 ± × 0 ="_qs << u"-0"_qs;
    QTest::addRow("operator replaces operator") << u"5 + × 2 ="_qs << u"10"_qs;
    QTest::addRow("= after operator then 2 =") << u"5 + = 2 ="_qs << u"7"_qs;
    QTest::addRow("left to right, no precedence") << u"2 + 3 × 4 ="_qs << u"20"_qs;
    QTest::addRow("operator shows running result") << u"2 + 3 ×"_qs << u"5"_qs;
    QTest::addRow("percent rescales display only") << u"5 0 + 1 0 % ="_qs << u"50.1"_qs;
    QTest::addRow("percent of 50") << u"5 0 %"_qs << u"0.5"_qs;
    QTest::addRow("second = does not repeat") << u"2 + 3 = ="_qs << u"5"_qs;
    QTest::addRow("digit after = starts new") << u"2 + 3 = 7"_qs << u"7"_qs;
    QTest::addRow("operator continues from result") << u"2 + 3 = × 2 ="_qs << u"10"_qs;
    QTest::addRow("± negates result") << u"2 + 3 = ±"_qs << u"-5"_qs;
    QTest::addRow("minus is U+2212") << u"9 − 4 ="_qs << u"5"_qs;
    QTest::addRow("hyphen is not an operator") << u"9 - 4"_qs << u"94"_qs;
    QTest::addRow("unknown key ignored") << u"4 x ( 2"_qs << u"42"_qs;
    QTest::addRow("trailing point reads as number") << u"5 . + 1 ="_qs << u"6"_qs;
    QTest::addRow("operator on Error ignored") << u"1 ÷ 0 = + 2 ="_qs << u"2"_qs;
    QTest::addRow("negative result") << u"3 − 8 ="_qs << u"-5"_qs;
    QTest::addRow("twelve significant digits")
        << u"1 2 3 4 5 6 7 8 9 . 1 2 3 4 + 0 ="_qs << u"123456789.123"_qs;
}

void TestCalculator::keySequencesShow()
{
    QFETCH(QString, keys);
    QFETCH(QString, display);
    QCOMPARE(pressAll(keys).display, display);
}

void TestCalculator::pendingStateAfterKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<CalculatorState>("expected");

    QTest::addRow("fresh") << u""_qs << CalculatorState {};
    QTest::addRow("5 + = keeps + pending")
        << u"5 + ="_qs << CalculatorState {u"5"_qs, 5.0, u"+"_qs, true};
    QTest::addRow("operator replaced without calculating")
        << u"5 + ×"_qs << CalculatorState {u"5"_qs, 5.0, u"×"_qs, true};
    QTest::addRow("chained operator folds")
        << u"2 + 3 ×"_qs << CalculatorState {u"5"_qs, 5.0, u"×"_qs, true};
    QTest::addRow("= clears pending")
        << u"2 + 3 ="_qs << CalculatorState {u"5"_qs, std::nullopt, std::nullopt, true};
    QTest::addRow("percent keeps pending and new-number flag")
        << u"5 0 + 1 0 %"_qs << CalculatorState {u"0.1"_qs, 50.0, u"+"_qs, false};
    QTest::addRow("± keeps new-number flag")
        << u"2 + 3 = ±"_qs << CalculatorState {u"-5"_qs, std::nullopt, std::nullopt, true};
    QTest::addRow("= on Error sets new-number flag only")
        << u"1 ÷ 0 = 5 ÷ 0 ="_qs << CalculatorState {u"Error"_qs, std::nullopt, std::nullopt, true};
}

void TestCalculator::pendingStateAfterKeys()
{
    QFETCH(QString, keys);
    QFETCH(CalculatorState, expected);
    const CalculatorState state = pressAll(keys);
    QCOMPARE(state.display, expected.display);
    QCOMPARE(state.stored, expected.stored);
    QCOMPARE(state.operation, expected.operation);
    QCOMPARE(state.startsNewNumber, expected.startsNewNumber);
}

void TestCalculator::clearRestoresTheDefault()
{
    QCOMPARE(pressAll(u"1 2 + 3 × C"_qs), CalculatorState {});
    QCOMPARE(pressAll(u"1 ÷ 0 = C"_qs), CalculatorState {});
}

void TestCalculator::seventeenthDigitIsIgnoredButEndsNewNumber()
{
    CalculatorState state = pressAll(u"1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6"_qs);
    state.startsNewNumber = true;
    state.display = u"1234567890123456"_qs;
    state.press(u"7");
    QCOMPARE(state.display, u"7"_qs); // a new number replaces even a full display

    state = pressAll(u"1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7"_qs);
    QCOMPARE(state.display.size(), 16);
    QCOMPARE(state.startsNewNumber, false);
}

void TestCalculator::parseDisplayIsStrict_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("value");

    QTest::addRow("integer") << u"42"_qs << std::optional(42.0);
    QTest::addRow("negative") << u"-5"_qs << std::optional(-5.0);
    QTest::addRow("trailing point") << u"5."_qs << std::optional(5.0);
    QTest::addRow("fraction") << u"0.25"_qs << std::optional(0.25);
    QTest::addRow("exponent") << u"1e+12"_qs << std::optional(1e12);
    QTest::addRow("negative exponent") << u"1e-05"_qs << std::optional(1e-5);
    QTest::addRow("overflow reads as infinity")
        << u"1e999"_qs << std::optional(std::numeric_limits<double>::infinity());
    QTest::addRow("Error") << u"Error"_qs << std::optional<double>();
    QTest::addRow("empty") << u""_qs << std::optional<double>();
    QTest::addRow("sign only") << u"-"_qs << std::optional<double>();
    QTest::addRow("point only") << u"."_qs << std::optional<double>();
    QTest::addRow("exponent with point appended") << u"1e+12."_qs << std::optional<double>();
    QTest::addRow("exponent without digits") << u"1e"_qs << std::optional<double>();
    QTest::addRow("leading space") << u" 1"_qs << std::optional<double>();
    QTest::addRow("trailing text") << u"12abc"_qs << std::optional<double>();
    QTest::addRow("two points") << u"1.2.3"_qs << std::optional<double>();
    QTest::addRow("inf") << u"inf"_qs << std::optional<double>();
    QTest::addRow("nan") << u"nan"_qs << std::optional<double>();
    QTest::addRow("hex") << u"0x10"_qs << std::optional<double>();
    QTest::addRow("non-ASCII digits") << u"\u0661\u0662"_qs << std::optional<double>();
}

void TestCalculator::parseDisplayIsStrict()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, value);
    QCOMPARE(CalculatorState::parseDisplay(text), value);
}

void TestCalculator::resultTextIsPercentTwelveG_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::addRow("integer") << 5.0 << u"5"_qs;
    QTest::addRow("negative zero") << -0.0 << u"-0"_qs;
    QTest::addRow("trailing zeros dropped") << 2.5 << u"2.5"_qs;
    QTest::addRow("twelve digits") << 999999000000.0 << u"999999000000"_qs;
    QTest::addRow("exponent at 1e12") << 1e12 << u"1e+12"_qs;
    QTest::addRow("exponent below 1e-4") << 0.00001 << u"1e-05"_qs;
    QTest::addRow("no exponent at 1e-4") << 0.0001 << u"0.0001"_qs;
    QTest::addRow("rounded to 12 digits") << 2.0 / 3.0 << u"0.666666666667"_qs;
    QTest::addRow("large exponent") << 1.5e300 << u"1.5e+300"_qs;
    QTest::addRow("infinity") << std::numeric_limits<double>::infinity() << u"Error"_qs;
    QTest::addRow("NaN") << std::numeric_limits<double>::quiet_NaN() << u"Error"_qs;
}

void TestCalculator::resultTextIsPercentTwelveG()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(CalculatorState::resultText(value), text);
    if (std::isfinite(value)) {
        char c[64]; // the C library's own "%.12g"; the test runs in the C locale
        std::snprintf(c, sizeof c, "%.12g", value);
        QCOMPARE(text, QString::fromLatin1(c));
    }
}

void TestCalculator::keysFromErrorState_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("display");

    QTest::addRow("digit starts new") << u"5"_qs << u"5"_qs;
    QTest::addRow("point gives 0.") << u"."_qs << u"0."_qs;
    QTest::addRow("C resets") << u"C"_qs << u"0"_qs;
    QTest::addRow("± does nothing") << u"±"_qs << u"Error"_qs;
    QTest::addRow("percent does nothing") << u"%"_qs << u"Error"_qs;
    QTest::addRow("+ does nothing") << u"+"_qs << u"Error"_qs;
    QTest::addRow("= does nothing") << u"="_qs << u"Error"_qs;
}

void TestCalculator::keysFromErrorState()
{
    QFETCH(QString, key);
    QFETCH(QString, display);
    CalculatorState state = pressAll(u"1 ÷ 0 ="_qs);
    QCOMPARE(state.display, u"Error"_qs);
    state.press(key);
    QCOMPARE(state.display, display);
}

void TestCalculator::stopwatchFormat_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::addRow("zero") << 0.0 << u"00:00.0"_qs;
    QTest::addRow("negative shows zero") << -5.0 << u"00:00.0"_qs;
    QTest::addRow("tenth cut toward zero") << 0.19 << u"00:00.1"_qs;
    QTest::addRow("1.25 s") << 1.25 << u"00:01.2"_qs;
    QTest::addRow("61.25 s") << 61.25 << u"01:01.2"_qs;
    QTest::addRow("59.99 s") << 59.99 << u"00:59.9"_qs;
    QTest::addRow("one hour") << 3600.0 << u"60:00.0"_qs;
    QTest::addRow("minutes not wrapped") << 3725.9 << u"62:05.9"_qs;
    QTest::addRow("three-digit minutes") << 6000.0 << u"100:00.0"_qs;
    QTest::addRow("NaN shows zero") << std::numeric_limits<double>::quiet_NaN() << u"00:00.0"_qs;
    QTest::addRow("infinity does not overflow")
        << std::numeric_limits<double>::infinity() << u"1500000000000000:00.0"_qs;
}

void TestCalculator::stopwatchFormat()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(StopwatchState::format(seconds), text);
}

void TestCalculator::stopwatchToggle()
{
    const Instant start {1000.0};
    StopwatchState state;
    QVERIFY(!state.isRunning());
    QCOMPARE(state.shownSeconds(start), 0.0);

    state.toggle(start);
    QVERIFY(state.isRunning());
    QCOMPARE(state.startedAt, std::optional(start));
    QCOMPARE(state.shownSeconds(start.addingSeconds(1.25)), 1.25);
    // An hour away (overlay hidden, app restarted) still counts, since the start is kept.
    QCOMPARE(StopwatchState::format(state.shownSeconds(start.addingSeconds(3600))), u"60:00.0"_qs);

    state.toggle(start.addingSeconds(1.25));
    QVERIFY(!state.isRunning());
    QCOMPARE(state.elapsed, 1.25);
    QCOMPARE(StopwatchState::format(state.shownSeconds(start.addingSeconds(99))), u"00:01.2"_qs);

    // Starting again continues from the accumulated time.
    state.toggle(start.addingSeconds(10));
    state.toggle(start.addingSeconds(12));
    QCOMPARE(state.elapsed, 3.25);
}

void TestCalculator::stopwatchFutureStartAddsNothing()
{
    StopwatchState state {Instant {500.0}, 2.0};
    QCOMPARE(state.shownSeconds(Instant {400.0}), 2.0);
    state.toggle(Instant {400.0});
    QCOMPARE(state.elapsed, 2.0);
    QVERIFY(!state.isRunning());

    StopwatchState negative {std::nullopt, -3.0};
    QCOMPARE(negative.shownSeconds(Instant {0}), 0.0);
}

QTEST_APPLESS_MAIN(TestCalculator)
#include "tst_calculator.moc"
