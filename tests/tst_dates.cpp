#include "icu.h"
#include "unitconversion.h"
#include "widgetdates.h"

#include <QScopeGuard>
#include <QTest>
#include <unicode/gregocal.h>

namespace {

// An instant given as wall time in `zone`.
Instant wallTime(
    const icu::Calendar &zoned, int year, int month, int day, int hour = 12, int minute = 0)
{
    std::unique_ptr<icu::Calendar> calendar(zoned.clone());
    calendar->clear();
    calendar->set(year, month - 1, day, hour, minute, 0);
    UErrorCode status = U_ZERO_ERROR;
    const UDate date = calendar->getTime(status);
    Q_ASSERT(U_SUCCESS(status));
    return Icu::fromUDate(date);
}

std::unique_ptr<icu::Calendar> calendarWithFirstWeekday(
    const char *locale, const char16_t *zone, int firstWeekday)
{
    auto calendar = Icu::calendar(icu::Locale(locale), zone);
    calendar->setFirstDayOfWeek(static_cast<UCalendarDaysOfWeek>(firstWeekday));
    return calendar;
}

} // namespace

class TestDates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void daysRemaining_data();
    void daysRemaining();
    void monthDates_data();
    void monthDates();
    void monthDatesAreStartsOfConsecutiveDays();
    void weekdaySymbols_data();
    void weekdaySymbols();
    void addingMonthsClampsTheDay();

    void localeFollowsEachCategory_data();
    void localeFollowsEachCategory();
    void defaultZoneFollowsTheSystem();

    void conversionRawTexts();
    void conversionResult_data();
    void conversionResult();
};

void TestDates::daysRemaining_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QList<int>>("now"); // y, m, d, h, min
    QTest::addColumn<QList<int>>("target"); // y, m, d, h, min
    QTest::addColumn<int>("days");

    const QString ny = u"America/New_York"_qs;
    const QString berlin = u"Europe/Berlin"_qs;
    QTest::addRow("target later today")
        << ny << QList {2026, 6, 10, 8, 0} << QList {2026, 6, 10, 23, 0} << 0;
    QTest::addRow("target earlier today")
        << ny << QList {2026, 6, 10, 8, 0} << QList {2026, 6, 10, 1, 0} << 0;
    QTest::addRow("yesterday is never negative")
        << ny << QList {2026, 6, 10, 8, 0} << QList {2026, 6, 9, 12, 0} << 0;
    QTest::addRow("tomorrow 00:01 from 23:59")
        << ny << QList {2026, 6, 10, 23, 59} << QList {2026, 6, 11, 0, 1} << 1;
    QTest::addRow("tomorrow late from early")
        << ny << QList {2026, 6, 10, 0, 1} << QList {2026, 6, 11, 23, 59} << 1;
    // Spring forward: the day of the change has 23 hours.
    QTest::addRow("New York across spring forward")
        << ny << QList {2026, 3, 7, 23, 30} << QList {2026, 3, 9, 0, 15} << 2;
    QTest::addRow("New York onto spring-forward day")
        << ny << QList {2026, 3, 7, 23, 59} << QList {2026, 3, 8, 0, 0} << 1;
    // Fall back: the day of the change has 25 hours.
    QTest::addRow("New York across fall back")
        << ny << QList {2026, 10, 31, 0, 30} << QList {2026, 11, 2, 0, 10} << 2;
    QTest::addRow("New York fall-back day late")
        << ny << QList {2026, 11, 1, 0, 0} << QList {2026, 11, 1, 23, 59} << 0;
    QTest::addRow("Berlin across spring forward")
        << berlin << QList {2026, 3, 28, 23, 0} << QList {2026, 3, 30, 0, 30} << 2;
    QTest::addRow("Berlin across fall back")
        << berlin << QList {2026, 10, 24, 0, 30} << QList {2026, 10, 26, 0, 0} << 2;
    QTest::addRow("Berlin a year ahead")
        << berlin << QList {2026, 1, 1, 12, 0} << QList {2027, 1, 1, 0, 0} << 365;
    QTest::addRow("leap year ahead")
        << berlin << QList {2028, 1, 1, 12, 0} << QList {2029, 1, 1, 0, 0} << 366;
}

void TestDates::daysRemaining()
{
    QFETCH(QString, zone);
    QFETCH(QList<int>, now);
    QFETCH(QList<int>, target);
    QFETCH(int, days);
    const auto calendar = Icu::calendar(icu::Locale("en_US"), zone);
    QVERIFY(calendar);
    const Instant nowInstant = wallTime(*calendar, now[0], now[1], now[2], now[3], now[4]);
    const Instant targetInstant
        = wallTime(*calendar, target[0], target[1], target[2], target[3], target[4]);
    QCOMPARE(WidgetDates::daysRemaining(targetInstant, nowInstant, *calendar), days);
}

void TestDates::monthDates_data()
{
    QTest::addColumn<int>("firstWeekday"); // 1 = Sunday
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("leading");
    QTest::addColumn<int>("dayCount");

    QTest::addRow("February 2026, Sunday first") << 1 << 2026 << 2 << 0 << 28;
    QTest::addRow("February 2026, Monday first") << 2 << 2026 << 2 << 6 << 28;
    QTest::addRow("March 2026 starts Sunday, Monday first") << 2 << 2026 << 3 << 6 << 31;
    QTest::addRow("June 2026 starts Monday, Monday first") << 2 << 2026 << 6 << 0 << 30;
    // 31-day months starting on the last weekday: 37 cells.
    QTest::addRow("August 2026 starts Saturday, Sunday first") << 1 << 2026 << 8 << 6 << 31;
    QTest::addRow("May 2026 starts Friday, Saturday first") << 7 << 2026 << 5 << 6 << 31;
    QTest::addRow("February 2028 leap") << 1 << 2028 << 2 << 2 << 29;
    QTest::addRow("December 2026, Monday first") << 2 << 2026 << 12 << 1 << 31;
}

void TestDates::monthDates()
{
    QFETCH(int, firstWeekday);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, leading);
    QFETCH(int, dayCount);
    const auto calendar = calendarWithFirstWeekday("en_US", u"Europe/Berlin", firstWeekday);
    const auto cells = WidgetDates::monthDates(wallTime(*calendar, year, month, 15, 18), *calendar);
    QCOMPARE(cells.size(), leading + dayCount);
    for (int i = 0; i < leading; ++i)
        QVERIFY2(!cells[i], qPrintable(QString::number(i)));
    QVERIFY(cells[leading]);
    QCOMPARE(*cells[leading], wallTime(*calendar, year, month, 1, 0));
    QCOMPARE(*cells.last(), wallTime(*calendar, year, month, dayCount, 0));
}

void TestDates::monthDatesAreStartsOfConsecutiveDays()
{
    // Across a daylight-saving change each cell is still a local midnight.
    const auto calendar = Icu::calendar(icu::Locale("en_US"), u"America/New_York");
    const auto cells = WidgetDates::monthDates(wallTime(*calendar, 2026, 3, 1), *calendar);
    QCOMPARE(cells.size(), 31);
    for (int day = 1; day <= 31; ++day)
        QCOMPARE(*cells[day - 1], wallTime(*calendar, 2026, 3, day, 0));
}

void TestDates::weekdaySymbols_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("symbols");

    QTest::addRow("en_US, Sunday first")
        << u"en_US"_qs
        << QStringList {u"S"_qs, u"M"_qs, u"T"_qs, u"W"_qs, u"T"_qs, u"F"_qs, u"S"_qs};
    QTest::addRow("en_GB, Monday first")
        << u"en_GB"_qs
        << QStringList {u"M"_qs, u"T"_qs, u"W"_qs, u"T"_qs, u"F"_qs, u"S"_qs, u"S"_qs};
    QTest::addRow("de_DE") << u"de_DE"_qs
                           << QStringList {
                                  u"M"_qs, u"D"_qs, u"M"_qs, u"D"_qs, u"F"_qs, u"S"_qs, u"S"_qs};
    QTest::addRow("fr_FR") << u"fr_FR"_qs
                           << QStringList {
                                  u"L"_qs, u"M"_qs, u"M"_qs, u"J"_qs, u"V"_qs, u"S"_qs, u"D"_qs};
}

void TestDates::weekdaySymbols()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, symbols);
    const auto calendar = Icu::calendar(icu::Locale(locale.toLatin1().constData()), u"UTC");
    QCOMPARE(WidgetDates::weekdaySymbols(*calendar), symbols);
}

void TestDates::addingMonthsClampsTheDay()
{
    const auto calendar = Icu::calendar(icu::Locale("en_US"), u"Europe/Berlin");
    const Instant january31 = wallTime(*calendar, 2026, 1, 31);
    const auto february = WidgetDates::addingMonths(january31, 1, *calendar);
    QVERIFY(february);
    QCOMPARE(*february, wallTime(*calendar, 2026, 2, 28));
    const auto december = WidgetDates::addingMonths(january31, -1, *calendar);
    QCOMPARE(*december, wallTime(*calendar, 2025, 12, 31));
    QVERIFY(WidgetDates::isSameDay(january31, wallTime(*calendar, 2026, 1, 31, 0), *calendar));
    QVERIFY(!WidgetDates::isSameDay(january31, wallTime(*calendar, 2025, 1, 31), *calendar));
}

void TestDates::conversionRawTexts()
{
    QCOMPARE(UnitConversions::rawText(UnitConversion::celsiusToFahrenheit),
        u"Celsius \u2192 Fahrenheit"_qs);
    for (const UnitConversion conversion : UnitConversions::all)
        QCOMPARE(UnitConversions::fromRawText(UnitConversions::rawText(conversion)), conversion);
    QCOMPARE(UnitConversions::fromRawText(u"Celsius -> Fahrenheit"), std::nullopt);
    QCOMPARE(UnitConversions::fromRawText(u""), std::nullopt);
}

void TestDates::conversionResult_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("input");
    QTest::addColumn<UnitConversion>("conversion");
    QTest::addColumn<QString>("result");

    using enum UnitConversion;
    QTest::addRow("en_US new widget")
        << u"en_US"_qs << u"1"_qs << kilometresToMiles << u"0.62 mi"_qs;
    QTest::addRow("en_US 10 km") << u"en_US"_qs << u"10"_qs << kilometresToMiles << u"6.21 mi"_qs;
    QTest::addRow("en_US 1 °C") << u"en_US"_qs << u"1"_qs << celsiusToFahrenheit << u"33.8 °F"_qs;
    QTest::addRow("en_US 1234.5 lb")
        << u"en_US"_qs << u"1234.5"_qs << poundsToKilograms << u"559.96 kg"_qs;
    QTest::addRow("en_US -40 °C") << u"en_US"_qs << u"-40"_qs << celsiusToFahrenheit
                                  << u"-40 °F"_qs;
    QTest::addRow("en_US 212 °F") << u"en_US"_qs << u"212"_qs << fahrenheitToCelsius
                                  << u"100 °C"_qs;
    QTest::addRow("en_US miles") << u"en_US"_qs << u"26.2"_qs << milesToKilometres
                                 << u"42.16 km"_qs;
    QTest::addRow("en_US kilograms") << u"en_US"_qs << u"1"_qs << kilogramsToPounds << u"2.2 lb"_qs;
    QTest::addRow("en_US grouping in and out")
        << u"en_US"_qs << u"1,000,000"_qs << kilogramsToPounds << u"2,204,622.62 lb"_qs;
    QTest::addRow("en_US empty") << u"en_US"_qs << u""_qs << kilometresToMiles << u"—"_qs;
    QTest::addRow("en_US letters") << u"en_US"_qs << u"abc"_qs << kilometresToMiles << u"—"_qs;
    QTest::addRow("en_US trailing text")
        << u"en_US"_qs << u"12abc"_qs << kilometresToMiles << u"—"_qs;
    QTest::addRow("en_US 1e308 overflows")
        << u"en_US"_qs << u"1e308"_qs << celsiusToFahrenheit << u"Out of range"_qs;
    QTest::addRow("en_US small exponent")
        << u"en_US"_qs << u"2.5e3"_qs << kilometresToMiles << u"1,553.43 mi"_qs;
    QTest::addRow("de_DE decimal comma")
        << u"de_DE"_qs << u"1,5"_qs << kilometresToMiles << u"0,93 mi"_qs;
    QTest::addRow("de_DE comma result")
        << u"de_DE"_qs << u"1"_qs << celsiusToFahrenheit << u"33,8 °F"_qs;
    QTest::addRow("de_DE grouping point")
        << u"de_DE"_qs << u"1.234,5"_qs << poundsToKilograms << u"559,96 kg"_qs;
    QTest::addRow("de_DE 1e308") << u"de_DE"_qs << u"1e308"_qs << celsiusToFahrenheit
                                 << u"Out of range"_qs;
    QTest::addRow("fr_FR decimal comma")
        << u"fr_FR"_qs << u"10,5"_qs << celsiusToFahrenheit << u"50,9 °F"_qs;
    QTest::addRow("fr_FR narrow space grouping")
        << u"fr_FR"_qs << u"1234,5"_qs << poundsToKilograms << u"559,96 kg"_qs;
    QTest::addRow("fr_FR grouped output")
        << u"fr_FR"_qs << u"10000"_qs << kilogramsToPounds << u"22\u202F046,23 lb"_qs;
    QTest::addRow("fr_FR 1e308") << u"fr_FR"_qs << u"1e308"_qs << celsiusToFahrenheit
                                 << u"Out of range"_qs;
    QTest::addRow("fr_FR letters") << u"fr_FR"_qs << u"x"_qs << kilometresToMiles << u"—"_qs;
}

void TestDates::conversionResult()
{
    QFETCH(QString, locale);
    QFETCH(QString, input);
    QFETCH(UnitConversion, conversion);
    QFETCH(QString, result);
    QCOMPARE(UnitConversions::result(input, conversion, icu::Locale(locale.toLatin1().constData())),
        result);
}

void TestDates::localeFollowsEachCategory_data()
{
    QTest::addColumn<QByteArrayList>("environment"); // name=value pairs
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("numbers");

    QTest::addRow("English interface, German formats") << QByteArrayList {"LANG=en_US.UTF-8",
        "LC_TIME=de_DE.UTF-8", "LC_NUMERIC=de_DE.UTF-8", "LC_MESSAGES=en_US.UTF-8"}
                                                       << u"de_DE"_qs << u"de_DE"_qs;
    QTest::addRow("each category its own")
        << QByteArrayList {"LANG=fr_FR.UTF-8", "LC_TIME=ja_JP.UTF-8"} << u"ja_JP"_qs << u"fr_FR"_qs;
    QTest::addRow("LC_ALL overrides both") << QByteArrayList {"LC_ALL=de_CH.UTF-8", "LC_TIME=ja_JP",
        "LC_NUMERIC=fr_FR"} << u"de_CH"_qs << u"de_CH"_qs;
    QTest::addRow("empty variables count as unset")
        << QByteArrayList {"LC_ALL=", "LC_NUMERIC=", "LANG=en_GB.UTF-8"} << u"en_GB"_qs
        << u"en_GB"_qs;
    QTest::addRow("C is POSIX English")
        << QByteArrayList {"LANG=C.UTF-8"} << u"en_US_POSIX"_qs << u"en_US_POSIX"_qs;
    QTest::addRow("modifiers") << QByteArrayList {"LC_TIME=sr_RS@latin", "LANG=de_DE@euro"}
                               << u"sr_Latn_RS"_qs << u"de_DE"_qs;
}

void TestDates::localeFollowsEachCategory()
{
    QFETCH(QByteArrayList, environment);
    QFETCH(QString, time);
    QFETCH(QString, numbers);
    const auto lookUp = [&](const char *name) {
        for (const QByteArray &pair : environment) {
            if (pair.startsWith(QByteArray(name).append('=')))
                return pair.mid(qstrlen(name) + 1);
        }
        return QByteArray();
    };
    QCOMPARE(QString::fromLatin1(
                 Icu::localeFromPosix(Icu::localeName(Icu::Category::time, lookUp)).getName()),
        time);
    QCOMPARE(QString::fromLatin1(
                 Icu::localeFromPosix(Icu::localeName(Icu::Category::numbers, lookUp)).getName()),
        numbers);
}

void TestDates::defaultZoneFollowsTheSystem()
{
    const QByteArray saved = qgetenv("TZ");
    const auto restore = qScopeGuard([&] {
        saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
        Icu::followSystemZone();
    });
    const auto defaultZone = [] {
        std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
        icu::UnicodeString id;
        return Icu::toQString(zone->getID(id));
    };
    qputenv("TZ", "Asia/Tokyo");
    Icu::followSystemZone();
    const int generation = Icu::zoneGeneration();
    qputenv("TZ", "America/New_York");
    Icu::followSystemZone();
    QCOMPARE(defaultZone(), u"America/New_York"_qs);
    QCOMPARE(Icu::zoneGeneration(), generation + 1);

    // A calendar a face holds moves with it.
    auto calendar = Icu::calendar(icu::Locale("en_US"), u"Asia/Tokyo");
    int seen = generation;
    Icu::followZone(*calendar, seen);
    icu::UnicodeString id;
    QCOMPARE(Icu::toQString(calendar->getTimeZone().getID(id)), u"America/New_York"_qs);

    // Unchanged: nothing moves.
    Icu::followSystemZone();
    QCOMPARE(Icu::zoneGeneration(), generation + 1);
}

QTEST_APPLESS_MAIN(TestDates)
#include "tst_dates.moc"
