#include "clocktext.h"
#include "dailyfigures.h"
#include "icu.h"
#include "linkopener.h"
#include "pasteboard.h"
#include "quicklinks.h"
#include "readtext.h"
#include "systemmetrics.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <array>

using OptionalDouble = std::optional<double>;
using Files = QMap<QString, QByteArray>;
// Power-supply entries: folder name → file name → content.
using Supplies = QMap<QString, Files>;

namespace {

Instant utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return Instant::fromDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC));
}

std::unique_ptr<icu::TimeZone> zone(const char16_t *id)
{
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(id));
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class TestInfo : public QObject
{
    Q_OBJECT

private slots:
    void memoryUsedFraction_data();
    void memoryUsedFraction();
    void memoryReaderOnFile();
    void batteryCapacity_data();
    void batteryCapacity();
    void storageFraction_data();
    void storageFraction();
    void storageOfRealFolders();

    void clockTexts_data();
    void clockTexts();
    void worldClockTimes_data();
    void worldClockTimes();
    void percentages_data();
    void percentages();

    void yearProgressFigures_data();
    void yearProgressFigures();
    void quoteIndices_data();
    void quoteIndices();
    void quotesHaveShortAttributions();
    void diceStayInRangeAndAreFair();

    void quickLinksFollowPlaces_data();
    void quickLinksFollowPlaces();
    void settingsProgramFoundInOrder();
    void openerReportsFailures_data();
    void openerReportsFailures();
    void systemPasteboardCountsEveryChange();
};

void TestInfo::memoryUsedFraction_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<OptionalDouble>("expected");

    QTest::addRow("quarter available")
        << QByteArray("MemTotal:       16000000 kB\nMemFree:         1000000 kB\n"
                      "MemAvailable:    4000000 kB\nBuffers:          200000 kB\n")
        << OptionalDouble(0.75);
    QTest::addRow("available first")
        << QByteArray("MemAvailable: 500 kB\nMemTotal: 1000 kB\n") << OptionalDouble(0.5);
    QTest::addRow("no trailing newline")
        << QByteArray("MemTotal: 1000 kB\nMemAvailable: 250 kB") << OptionalDouble(0.75);
    QTest::addRow("all available")
        << QByteArray("MemTotal: 1000 kB\nMemAvailable: 1000 kB\n") << OptionalDouble(0.0);
    QTest::addRow("available above total is clamped to 0")
        << QByteArray("MemTotal: 1000 kB\nMemAvailable: 3000 kB\n") << OptionalDouble(0.0);
    QTest::addRow("used above total is clamped to 1")
        << QByteArray("MemTotal: 1000 kB\nMemAvailable: -50 kB\n") << OptionalDouble(1.0);
    QTest::addRow("total 0 is absent")
        << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << OptionalDouble();
    QTest::addRow("negative total is absent")
        << QByteArray("MemTotal: -5 kB\nMemAvailable: 1 kB\n") << OptionalDouble();
    QTest::addRow("no MemAvailable (old kernel)")
        << QByteArray("MemTotal: 1000 kB\nMemFree: 10 kB\n") << OptionalDouble();
    QTest::addRow("no MemTotal") << QByteArray("MemAvailable: 10 kB\n") << OptionalDouble();
    QTest::addRow("garbage number")
        << QByteArray("MemTotal: lots kB\nMemAvailable: 1 kB\n") << OptionalDouble();
    QTest::addRow("look-alike key ignored")
        << QByteArray("MemTotalish: 10 kB\nMemTotal: 100 kB\nMemAvailable: 60 kB\n")
        << OptionalDouble(0.4);
    QTest::addRow("empty") << QByteArray() << OptionalDouble();
}

void TestInfo::memoryUsedFraction()
{
    QFETCH(QByteArray, text);
    QFETCH(OptionalDouble, expected);
    QCOMPARE(SystemMetrics::parseMeminfo(text), expected);
}

void TestInfo::memoryReaderOnFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("meminfo"));
    QVERIFY(writeFile(path, "MemTotal: 2000 kB\nMemAvailable: 500 kB\n"));
    QCOMPARE(SystemMetrics::memoryUsedFraction(path), OptionalDouble(0.75));
    QCOMPARE(SystemMetrics::memoryUsedFraction(dir.filePath(QStringLiteral("missing"))),
        OptionalDouble());
    // The real file parses on any Linux since 3.14.
    const OptionalDouble real = SystemMetrics::memoryUsedFraction();
    QVERIFY(real.has_value());
    QVERIFY(*real >= 0 && *real <= 1);
}

void TestInfo::batteryCapacity_data()
{
    QTest::addColumn<Supplies>("supplies");
    QTest::addColumn<OptionalDouble>("expected");
    QTest::addColumn<bool>("low");

    const Files mains = {{"type", "Mains\n"}, {"online", "1\n"}};
    auto battery = [](const Files &figures) {
        Files files = figures;
        files.insert("type", "Battery\n");
        return files;
    };

    QTest::addRow("15 of 100 is red")
        << Supplies {{"BAT0", battery({{"energy_now", "15\n"}, {"energy_full", "100\n"}})}}
        << OptionalDouble(0.15) << true;
    QTest::addRow("20 of 100 is green")
        << Supplies {{"BAT0", battery({{"energy_now", "20\n"}, {"energy_full", "100\n"}})}}
        << OptionalDouble(0.2) << false;
    QTest::addRow("current above max is clamped")
        << Supplies {{"BAT0", battery({{"energy_now", "120\n"}, {"energy_full", "100\n"}})}}
        << OptionalDouble(1.0) << false;
    QTest::addRow("negative current becomes 0")
        << Supplies {{"BAT0", battery({{"energy_now", "-3\n"}, {"energy_full", "100\n"}})}}
        << OptionalDouble(0.0) << true;
    QTest::addRow("max 0 is absent")
        << Supplies {{"BAT0", battery({{"energy_now", "50\n"}, {"energy_full", "0\n"}})}}
        << OptionalDouble() << false;
    QTest::addRow("charge pair when no energy pair")
        << Supplies {{"BAT0", battery({{"charge_now", "3000\n"}, {"charge_full", "4000\n"}})}}
        << OptionalDouble(0.75) << false;
    QTest::addRow("half an energy pair falls through to charge") << Supplies {{"BAT0",
        battery({{"energy_now", "1\n"}, {"charge_now", "1\n"}, {"charge_full", "4\n"}})}}
                                                                 << OptionalDouble(0.25) << false;
    QTest::addRow("capacity percent last")
        << Supplies {{"BAT0", battery({{"capacity", "57\n"}})}} << OptionalDouble(0.57) << false;
    QTest::addRow("battery without figures is absent")
        << Supplies {{"BAT0", battery({{"status", "Unknown\n"}})}} << OptionalDouble() << false;
    QTest::addRow("garbage figures are absent")
        << Supplies {{"BAT0", battery({{"energy_now", "n/a\n"}, {"energy_full", "100\n"}})}}
        << OptionalDouble() << false;
    QTest::addRow("mains only is absent") << Supplies {{"AC", mains}} << OptionalDouble() << false;
    QTest::addRow("mains skipped, battery found")
        << Supplies {{"AC", mains}, {"BAT0", battery({{"capacity", "80"}})}} << OptionalDouble(0.8)
        << false;
    QTest::addRow("first battery by name wins")
        << Supplies {{"BAT1", battery({{"capacity", "90"}})},
               {"BAT0", battery({{"capacity", "10"}})}}
        << OptionalDouble(0.1) << true;
    QTest::addRow("a wireless mouse is not the machine's battery")
        << Supplies {{"BAT0", battery({{"capacity", "30"}, {"scope", "Device\n"}})},
               {"hidpp_battery_0", battery({{"capacity", "5"}, {"scope", "Device\n"}})},
               {"BAT1", battery({{"capacity", "70"}, {"scope", "System\n"}})}}
        << OptionalDouble(0.7) << false;
    QTest::addRow("BAT2 before BAT10") << Supplies {{"BAT10", battery({{"capacity", "10"}})},
        {"BAT2", battery({{"capacity", "90"}})}}
                                       << OptionalDouble(0.9) << false;
    QTest::addRow("empty source list is absent") << Supplies {} << OptionalDouble() << false;
}

void TestInfo::batteryCapacity()
{
    QFETCH(Supplies, supplies);
    QFETCH(OptionalDouble, expected);
    QFETCH(bool, low);

    QTemporaryDir root;
    for (auto entry = supplies.cbegin(); entry != supplies.cend(); ++entry) {
        QVERIFY(QDir(root.path()).mkdir(entry.key()));
        for (auto file = entry->cbegin(); file != entry->cend(); ++file)
            QVERIFY(writeFile(root.filePath(entry.key() + u'/' + file.key()), file.value()));
    }
    const OptionalDouble capacity = PowerSource::currentCapacity(root.path());
    QCOMPARE(capacity, expected);
    if (capacity)
        QCOMPARE(PowerSource::isLowCharge(*capacity), low);
}

void TestInfo::storageFraction_data()
{
    QTest::addColumn<double>("freeBytes");
    QTest::addColumn<double>("totalBytes");
    QTest::addColumn<OptionalDouble>("expected");

    QTest::addRow("half free") << 50.0 << 100.0 << OptionalDouble(0.5);
    QTest::addRow("almost full disk is a short bar") << 1.0 << 1000.0 << OptionalDouble(0.001);
    QTest::addRow("full disk") << 0.0 << 100.0 << OptionalDouble(0.0);
    QTest::addRow("free above total is clamped") << 150.0 << 100.0 << OptionalDouble(1.0);
    QTest::addRow("total 0 is absent") << 0.0 << 0.0 << OptionalDouble();
}

void TestInfo::storageFraction()
{
    QFETCH(double, freeBytes);
    QFETCH(double, totalBytes);
    QFETCH(OptionalDouble, expected);
    QCOMPARE(StorageMetrics::freeFraction(freeBytes, totalBytes), expected);
}

void TestInfo::storageOfRealFolders()
{
    QTemporaryDir dir;
    const OptionalDouble free = StorageMetrics::freeFraction(dir.path());
    QVERIFY(free.has_value());
    QVERIFY(*free >= 0 && *free <= 1);
    QCOMPARE(
        StorageMetrics::freeFraction(dir.filePath(QStringLiteral("missing"))), OptionalDouble());
    QCOMPARE(StorageMetrics::freeFraction(QString()), OptionalDouble());
}

void TestInfo::clockTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");

    QTest::addRow("en_US") << "en_US" << QString::fromUtf8("2:05\u202FPM") << "Tuesday, December 8";
    QTest::addRow("de_DE") << "de_DE"
                           << "14:05"
                           << "Dienstag, 8. Dezember";
    QTest::addRow("ja_JP") << "ja_JP"
                           << "14:05" << QString::fromUtf8("12月8日火曜日");
    QTest::addRow("fr_FR") << "fr_FR"
                           << "14:05" << QString::fromUtf8("mardi 8 décembre");
}

void TestInfo::clockTexts()
{
    QFETCH(QString, locale);
    QFETCH(QString, time);
    QFETCH(QString, date);

    const icu::Locale icuLocale(locale.toLatin1().constData());
    const auto utcZone = zone(u"UTC");
    const Instant at = utc(2026, 12, 8, 14, 5, 59);
    QCOMPARE(ClockText::time(at, icuLocale, *utcZone), time);
    QCOMPARE(ClockText::date(at, icuLocale, *utcZone), date);
}

void TestInfo::worldClockTimes_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("zoneId");
    QTest::addColumn<QString>("expected");

    // 14:05 UTC on a December day: Sydney is on daylight time (+11), London is not.
    for (const char *locale : {"en_US", "de_DE", "ja_JP"}) {
        QTest::addRow("%s London", locale) << locale << "Europe/London"
                                           << "14:05";
        QTest::addRow("%s New York stays 24-hour", locale) << locale << "America/New_York"
                                                           << "09:05";
        QTest::addRow("%s Tokyo", locale) << locale << "Asia/Tokyo"
                                          << "23:05";
        QTest::addRow("%s Sydney", locale) << locale << "Australia/Sydney"
                                           << "01:05";
        QTest::addRow("%s unknown zone is local", locale) << locale << "Mars/Olympus"
                                                          << "15:05";
        QTest::addRow("%s empty zone is local", locale) << locale << ""
                                                        << "15:05";
    }
}

void TestInfo::worldClockTimes()
{
    QFETCH(QString, locale);
    QFETCH(QString, zoneId);
    QFETCH(QString, expected);

    const auto local = zone(u"Europe/Berlin");
    const QString text = ClockText::zoneTime(
        utc(2026, 12, 8, 14, 5, 30), zoneId, icu::Locale(locale.toLatin1().constData()), *local);
    QCOMPARE(text, expected);
}

void TestInfo::percentages_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("expected");

    QTest::addRow("en three quarters") << "en_US" << 0.75 << 0 << "75%";
    QTest::addRow("de three quarters") << "de_DE" << 0.75 << 0 << QString::fromUtf8("75\u00A0%");
    QTest::addRow("en zero, one digit") << "en_US" << 0.0 << 1 << "0.0%";
    QTest::addRow("de zero, one digit") << "de_DE" << 0.0 << 1 << QString::fromUtf8("0,0\u00A0%");
    QTest::addRow("en full") << "en_US" << 1.0 << 0 << "100%";
    QTest::addRow("en year figure") << "en_US" << 0.93972 << 1 << "94.0%";
    QTest::addRow("ja small") << "ja_JP" << 0.051 << 1 << "5.1%";
}

void TestInfo::percentages()
{
    QFETCH(QString, locale);
    QFETCH(double, fraction);
    QFETCH(int, digits);
    QFETCH(QString, expected);
    QCOMPARE(
        Icu::formatPercent(fraction, digits, icu::Locale(locale.toLatin1().constData())), expected);
}

void TestInfo::yearProgressFigures_data()
{
    QTest::addColumn<QString>("zoneId");
    QTest::addColumn<Instant>("at");
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("year");

    QTest::addRow("first instant of a year") << "UTC" << utc(2026, 1, 1) << 0.0 << 2026;
    QTest::addRow("first instant in Berlin")
        << "Europe/Berlin" << utc(2025, 12, 31, 23) << 0.0 << 2026;
    QTest::addRow("leap year, 183 of 366 days") << "UTC" << utc(2024, 7, 2) << 0.5 << 2024;
    QTest::addRow("common year, 182 of 365 days")
        << "UTC" << utc(2025, 7, 2) << 182.0 / 365.0 << 2025;
    QTest::addRow("last second of a leap year")
        << "UTC" << utc(2024, 12, 31, 23, 59, 59) << 1.0 - 1.0 / (366.0 * 86400.0) << 2024;
    // Midnight of 2 July in Berlin: the spring shift took an hour, autumn gives it back.
    QTest::addRow("across daylight saving")
        << "Europe/Berlin" << utc(2026, 7, 1, 22) << (182.0 * 24 - 1) / (365.0 * 24) << 2026;
}

void TestInfo::yearProgressFigures()
{
    QFETCH(QString, zoneId);
    QFETCH(Instant, at);
    QFETCH(double, expected);
    QFETCH(int, year);

    const auto calendar = Icu::calendar(icu::Locale("en_US"), zoneId);
    QVERIFY(calendar);
    QCOMPARE(yearProgress(at, *calendar), expected);
    QCOMPARE(yearNumber(at, *calendar), year);
}

void TestInfo::quoteIndices_data()
{
    QTest::addColumn<QString>("zoneId");
    QTest::addColumn<Instant>("at");
    QTest::addColumn<int>("expected");

    QTest::addRow("1 January") << "UTC" << utc(2024, 1, 1, 12) << 1;
    QTest::addRow("5 January") << "UTC" << utc(2024, 1, 5, 12) << 0;
    QTest::addRow("31 December of a leap year") << "UTC" << utc(2024, 12, 31, 12) << 1;
    QTest::addRow("31 December of a common year") << "UTC" << utc(2025, 12, 31, 12) << 0;
    QTest::addRow("local midnight decides") << "Asia/Tokyo" << utc(2024, 1, 1, 23) << 2;
}

void TestInfo::quoteIndices()
{
    QFETCH(QString, zoneId);
    QFETCH(Instant, at);
    QFETCH(int, expected);

    const auto calendar = Icu::calendar(icu::Locale("en_US"), zoneId);
    QVERIFY(calendar);
    QCOMPARE(quoteIndex(at, *calendar, int(dailyQuotes().size())), expected);
}

void TestInfo::quotesHaveShortAttributions()
{
    QCOMPARE(dailyQuotes().size(), 5);
    QCOMPARE(dailyQuotes().at(0).text, "The secret of getting ahead is getting started.");
    QCOMPARE(dailyQuotes().at(4).text, "Stay hungry. Stay foolish.");
    for (const Quote &quote : dailyQuotes()) {
        const qsizetype words = quote.author.split(u' ').size();
        QVERIFY2(words >= 1 && words <= 3, qPrintable(quote.author));
    }
}

void TestInfo::diceStayInRangeAndAreFair()
{
    constexpr int rolls = 60000;
    std::array<int, 7> counts {};
    for (int i = 0; i < rolls; ++i) {
        const int value = rollDie();
        QVERIFY2(value >= 1 && value <= 6, qPrintable(QString::number(value)));
        ++counts[value];
    }
    // 10000 expected per face, standard deviation about 91: six deviations is never chance.
    for (int face = 1; face <= 6; ++face)
        QVERIFY2(qAbs(counts[face] - rolls / 6) < 550,
            qPrintable(QStringLiteral("face %1 came up %2 times").arg(face).arg(counts[face])));
}

void TestInfo::quickLinksFollowPlaces_data()
{
    QTest::addColumn<bool>("hasDownloads");
    QTest::addColumn<bool>("hasDocuments");
    QTest::addColumn<QStringList>("titles");

    QTest::addRow("all places") << true << true
                                << QStringList {
                                       "Applications", "Downloads", "Documents", "Settings"};
    QTest::addRow("no downloads folder")
        << false << true << QStringList {"Applications", "Documents", "Settings"};
    QTest::addRow("no folders") << false << false << QStringList {"Applications", "Settings"};
}

void TestInfo::quickLinksFollowPlaces()
{
    QFETCH(bool, hasDownloads);
    QFETCH(bool, hasDocuments);
    QFETCH(QStringList, titles);

    LinkPlaces places;
    places.applications = QStringLiteral("/usr/share/applications");
    if (hasDownloads)
        places.downloads = QStringLiteral("/home/u/Downloads");
    if (hasDocuments)
        places.documents = QStringLiteral("/home/u/Documents");
    const QList<QuickLink> links = quickLinks(places);

    QStringList actual;
    for (const QuickLink &link : links)
        actual << link.title;
    QCOMPARE(actual, titles);
    QCOMPARE(links.first().target, (LinkTarget {LinkTarget::Kind::folder, places.applications}));
    // Settings stays even without a program, so that pressing it explains the failure.
    QCOMPARE(links.last().target, (LinkTarget {LinkTarget::Kind::program, QString()}));
}

void TestInfo::settingsProgramFoundInOrder()
{
    QTemporaryDir dir;
    for (const char *name : {"lxqt-config", "xfce4-settings-manager", "not-a-settings-tool"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QVERIFY(writeFile(path, "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    }
    QCOMPARE(
        findSettingsProgram({dir.path()}), dir.filePath(QStringLiteral("xfce4-settings-manager")));
    QTemporaryDir empty;
    QCOMPARE(findSettingsProgram({empty.path()}), QString());
}

void TestInfo::openerReportsFailures_data()
{
    QTest::addColumn<LinkTarget>("target");
    QTest::addColumn<QByteArray>("launcher"); // the xdg-open on PATH; none when empty
    QTest::addColumn<bool>("opens");

    const LinkTarget here {LinkTarget::Kind::folder, QDir::tempPath()};
    QTest::addRow("folder without a path")
        << LinkTarget {LinkTarget::Kind::folder, {}} << QByteArray() << false;
    QTest::addRow("missing folder")
        << LinkTarget {LinkTarget::Kind::folder, "/nonexistent/corvina/folder"} << QByteArray()
        << false;
    QTest::addRow("launcher finds no handler") << here << QByteArray("exit 3") << false;
    QTest::addRow("launcher opens the folder") << here << QByteArray("exit 0") << true;
    QTest::addRow("launcher stays with the file browser") << here << QByteArray("sleep 4") << true;
    QTest::addRow("program without a path")
        << LinkTarget {LinkTarget::Kind::program, {}} << QByteArray() << false;
    QTest::addRow("missing program")
        << LinkTarget {LinkTarget::Kind::program, "/nonexistent/corvina-settings"} << QByteArray()
        << false;
    QTest::addRow("program that starts")
        << LinkTarget {LinkTarget::Kind::program, "/bin/true"} << QByteArray() << true;
    QTest::addRow("program that fails at once")
        << LinkTarget {LinkTarget::Kind::program, "/bin/false"} << QByteArray() << false;
}

void TestInfo::openerReportsFailures()
{
    QFETCH(LinkTarget, target);
    QFETCH(QByteArray, launcher);
    QFETCH(bool, opens);
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    if (!launcher.isEmpty()) {
        const QString script = bin.filePath(QStringLiteral("xdg-open"));
        QVERIFY(writeFile(script, "#!/bin/sh\n" + launcher + "\n"));
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(bin.path()) + ":/usr/bin:/bin");
    }
    DesktopLinkOpener opener;
    std::optional<bool> opened;
    opener.open(target, [&](bool result) { opened = result; });
    QTRY_VERIFY(opened.has_value());
    QCOMPARE(*opened, opens);
}

void TestInfo::systemPasteboardCountsEveryChange()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    SystemPasteboard pasteboard;
    const qint64 start = pasteboard.changeCount();
    QVERIFY(start >= 0);

    clipboard->setText(QStringLiteral("first"));
    QCOMPARE(pasteboard.changeCount(), start + 1);
    QCOMPARE(readTextOf(pasteboard), std::optional<QString>(QStringLiteral("first")));

    // The same text again is still a change.
    clipboard->setText(QStringLiteral("first"));
    QCOMPARE(pasteboard.changeCount(), start + 2);

    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    clipboard->setImage(image);
    QCOMPARE(pasteboard.changeCount(), start + 3);
    QCOMPARE(readTextOf(pasteboard), std::optional<QString>());

    // The primary selection is not the clipboard.
    if (clipboard->supportsSelection()) {
        clipboard->setText(QStringLiteral("selected"), QClipboard::Selection);
        QCOMPARE(pasteboard.changeCount(), start + 3);
    }

    clipboard->setText(QString());
    QCOMPARE(readTextOf(pasteboard), std::optional<QString>(QString()));
}

QTEST_MAIN(TestInfo)
#include "tst_info.moc"
