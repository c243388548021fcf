#include "batterywidget.h"
#include "clipboardwidget.h"
#include "clockwidget.h"
#include "dicewidget.h"
#include "digitlabel.h"
#include "facefactory.h"
#include "faceprogressbar.h"
#include "informationfaces.h"
#include "metricrow.h"
#include "pasteboard.h"
#include "quicklinkswidget.h"
#include "quotewidget.h"
#include "symbolview.h"
#include "systemwidget.h"
#include "theme.h"
#include "worldclockwidget.h"
#include "yearprogresswidget.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <memory>
#include <unicode/timezone.h>

namespace {

Instant utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return Instant::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC));
}

// Pins ICU's default locale and zone for one test and puts the previous ones back.
class IcuDefaults
{
public:
    IcuDefaults(const char *locale, const char16_t *zone)
        : m_locale(icu::Locale::getDefault())
        , m_zone(icu::TimeZone::createDefault())
        , m_lcAll(qgetenv("LC_ALL"))
    {
        // The faces read the user's formats from the environment.
        qputenv("LC_ALL", QByteArray(locale) + ".UTF-8");
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(locale), status);
        icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(zone));
    }
    ~IcuDefaults()
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(m_locale, status);
        icu::TimeZone::adoptDefault(m_zone.release());
        m_lcAll.isNull() ? qunsetenv("LC_ALL") : qputenv("LC_ALL", m_lcAll);
    }

private:
    icu::Locale m_locale;
    std::unique_ptr<icu::TimeZone> m_zone;
    QByteArray m_lcAll;
};

class FakePasteboard : public Pasteboard
{
public:
    qint64 changeCount() const override { return count; }
    void readText(QObject *, TextRead done) override
    {
        ++reads;
        done(content);
    }
    void copy(std::optional<QString> newContent)
    {
        content = std::move(newContent);
        ++count;
    }

    qint64 count = 0;
    std::optional<QString> content;
    int reads = 0;
};

class FakeOpener : public LinkOpener
{
public:
    void open(const LinkTarget &target, std::function<void(bool)> done) override
    {
        opened << target;
        done(succeeds);
    }
    bool succeeds = true;
    QList<LinkTarget> opened;
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A power-supply folder with one battery of `now` over `full`, or none when `full` < 0.
void makeSupplies(const QTemporaryDir &root, int now, int full)
{
    QDir(root.path()).mkdir(QStringLiteral("AC"));
    writeFile(root.filePath(QStringLiteral("AC/type")), "Mains\n");
    if (full < 0)
        return;
    QDir(root.path()).mkdir(QStringLiteral("BAT0"));
    writeFile(root.filePath(QStringLiteral("BAT0/type")), "Battery\n");
    writeFile(root.filePath(QStringLiteral("BAT0/energy_now")), QByteArray::number(now));
    writeFile(root.filePath(QStringLiteral("BAT0/energy_full")), QByteArray::number(full));
}

template<typename T> T *child(QWidget *face, const char *name)
{
    return face->findChild<T *>(QString::fromLatin1(name));
}

bool shown(QWidget *widget)
{
    return widget && widget->isVisibleTo(widget->window());
}

} // namespace

class TestInfoFaces : public QObject
{
    Q_OBJECT

private slots:
    void clockShowsTimeAndDateInUserLocale_data();
    void clockShowsTimeAndDateInUserLocale();
    void worldClockKeeps24HoursAndDividesRows();

    void systemFaceShowsFiguresAndHidesMissingBattery_data();
    void systemFaceShowsFiguresAndHidesMissingBattery();
    void batteryFaceColoursAndFallsBack_data();
    void batteryFaceColoursAndFallsBack();

    void clipboardReadsAtOnceAndOnlyOnChange();
    void clipboardShowsNoTextAndRefreshAlwaysReads();
    void clipboardFollowsPollingWithinASecond();
    void clipboardKeepsHugeTextWholeButShowsAPart();
    void clipboardWithoutPasteboardStaysPut();

    void quickLinkThatOpensClosesOnce();
    void quickLinkThatFailsShowsAlertAndStays();
    void quickLinkStartsTheSettingsProgram();

    void yearProgressShowsPercentAndYear_data();
    void yearProgressShowsPercentAndYear();
    void quoteOfTheDayIsCurlyAndAttributed();
    void diceStartAtThreeAndFiveAndRoll();

    void factoryBuildsEveryInformationFace();
};

void TestInfoFaces::clockShowsTimeAndDateInUserLocale_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("nextDate");

    QTest::addRow("en_US") << QByteArray("en_US") << QString::fromUtf8("2:05\u202FPM")
                           << "Tuesday, December 8"
                           << "Wednesday, December 9";
    QTest::addRow("de_DE") << QByteArray("de_DE") << "14:05"
                           << "Dienstag, 8. Dezember"
                           << "Mittwoch, 9. Dezember";
    QTest::addRow("ja_JP") << QByteArray("ja_JP") << "14:05" << QString::fromUtf8("12月8日火曜日")
                           << QString::fromUtf8("12月9日水曜日");
}

void TestInfoFaces::clockShowsTimeAndDateInUserLocale()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, time);
    QFETCH(QString, date);
    QFETCH(QString, nextDate);

    IcuDefaults pinned(locale.constData(), u"UTC");
    ClockWidget face;
    face.tick(utc(2026, 12, 8, 14, 5));
    QCOMPARE(face.timeText(), time);
    QCOMPARE(face.dateText(), date);
    // The tick after midnight shows the new weekday, day and month together.
    face.tick(utc(2026, 12, 8, 23, 59).addingSeconds(59));
    QCOMPARE(face.dateText(), date);
    face.tick(utc(2026, 12, 9));
    QCOMPARE(face.dateText(), nextDate);
}

void TestInfoFaces::worldClockKeeps24HoursAndDividesRows()
{
    IcuDefaults pinned("en_US", u"Europe/Berlin");
    WorldClockWidget face;
    face.tick(utc(2026, 12, 8, 14, 5));
    QCOMPARE(face.timeTexts(), (QStringList {"14:05", "09:05", "23:05", "01:05"}));

    // Row, divider, row, divider, row, divider, row: nothing under Sydney.
    QStringList order;
    QVBoxLayout *stack = face.stack();
    for (int i = 0; i < stack->count(); ++i)
        if (QWidget *widget = stack->itemAt(i)->widget())
            order << widget->objectName();
    QCOMPARE(order,
        (QStringList {"faceHeader", "cityRow", "cityDivider", "cityRow", "cityDivider", "cityRow",
            "cityDivider", "cityRow"}));
    QStringList labels;
    for (QLabel *label : face.findChildren<QLabel *>(QStringLiteral("cityLabel")))
        labels << label->text();
    QCOMPARE(labels, (QStringList {"London", "New York", "Tokyo", "Sydney"}));
}

void TestInfoFaces::systemFaceShowsFiguresAndHidesMissingBattery_data()
{
    QTest::addColumn<QByteArray>("meminfo");
    QTest::addColumn<int>("batteryFull");
    QTest::addColumn<QString>("memoryText");
    QTest::addColumn<bool>("batteryShown");

    QTest::addRow("laptop") << QByteArray("MemTotal: 1000 kB\nMemAvailable: 250 kB\n") << 100
                            << "75%" << true;
    QTest::addRow("desktop: two rows")
        << QByteArray("MemTotal: 1000 kB\nMemAvailable: 250 kB\n") << -1 << "75%" << false;
    QTest::addRow("unreadable memory shows 0%%") << QByteArray("garbage") << -1 << "0%" << false;
    QTest::addRow("used above total shows 100%%")
        << QByteArray("MemTotal: 1000 kB\nMemAvailable: -10 kB\n") << -1 << "100%" << false;
}

void TestInfoFaces::systemFaceShowsFiguresAndHidesMissingBattery()
{
    QFETCH(QByteArray, meminfo);
    QFETCH(int, batteryFull);
    QFETCH(QString, memoryText);
    QFETCH(bool, batteryShown);

    IcuDefaults pinned("en_US", u"UTC");
    QTemporaryDir dir;
    QTemporaryDir supplies;
    makeSupplies(supplies, 40, batteryFull);
    QVERIFY(writeFile(dir.filePath(QStringLiteral("meminfo")), meminfo));
    MachineSources sources;
    sources.meminfo = dir.filePath(QStringLiteral("meminfo"));
    sources.powerSupplyRoot = supplies.path();
    auto storage = std::make_unique<QTemporaryDir>();
    sources.storageFolder = storage->path();

    // The first poll runs when the face is built.
    SystemWidget face(sources);
    QCOMPARE(child<QLabel>(&face, "faceTitle")->text(), QStringLiteral("THIS COMPUTER"));
    QCOMPARE(child<MetricRow>(&face, "memoryRow")->percentText(), memoryText);
    QVERIFY(face.freeDisk() > 0 && face.freeDisk() <= 1);
    QCOMPARE(shown(child<MetricRow>(&face, "batteryRow")), batteryShown);
    if (batteryShown)
        QCOMPARE(child<MetricRow>(&face, "batteryRow")->percentText(), "40%");

    // A failed disk query keeps the last figure, and 0 before the first success.
    const double lastFree = face.freeDisk();
    storage.reset();
    face.refresh();
    QCOMPARE(face.freeDisk(), lastFree);
    SystemWidget fresh(sources);
    QCOMPARE(fresh.freeDisk(), 0.0);
}

void TestInfoFaces::batteryFaceColoursAndFallsBack_data()
{
    QTest::addColumn<int>("now");
    QTest::addColumn<int>("full");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QColor>("tint");

    QTest::addRow("15 of 100 is red") << 15 << 100 << "15%" << Theme::red();
    QTest::addRow("20 of 100 is green") << 20 << 100 << "20%" << Theme::green();
    QTest::addRow("above max is full") << 130 << 100 << "100%" << Theme::green();
    QTest::addRow("max 0 is desktop power") << 10 << 0 << QString() << QColor();
    QTest::addRow("no battery is desktop power") << 0 << -1 << QString() << QColor();
}

void TestInfoFaces::batteryFaceColoursAndFallsBack()
{
    QFETCH(int, now);
    QFETCH(int, full);
    QFETCH(QString, percent);
    QFETCH(QColor, tint);

    IcuDefaults pinned("en_US", u"UTC");
    QTemporaryDir supplies;
    makeSupplies(supplies, now, full);
    BatteryWidget face(supplies.path());
    face.resize(270, 140);
    face.show();

    const bool present = !percent.isEmpty();
    QCOMPARE(face.charge().has_value(), present);
    QCOMPARE(shown(child<QWidget>(&face, "chargeRow")), present);
    QCOMPARE(shown(child<QWidget>(&face, "desktopPowerTitle")), !present);
    QCOMPARE(shown(child<QWidget>(&face, "desktopPowerNote")), !present);
    if (present) {
        QCOMPARE(child<DigitLabel>(&face, "chargePercent")->text(), percent);
        QCOMPARE(child<FaceProgressBar>(&face, "chargeBar")->tint(), tint);
    } else {
        QCOMPARE(child<QLabel>(&face, "desktopPowerTitle")->text(), "Desktop power");
        QCOMPARE(child<QLabel>(&face, "desktopPowerNote")->text(), "No internal battery detected");
    }
}

void TestInfoFaces::clipboardReadsAtOnceAndOnlyOnChange()
{
    FakePasteboard pasteboard;
    pasteboard.count = 7;
    pasteboard.content = QStringLiteral("copied words");
    ClipboardWidget face(&pasteboard);
    // The first poll step runs when the face is built and always reads.
    QCOMPARE(face.text(), "copied words");
    QCOMPARE(face.changeCount(), 7);
    QCOMPARE(pasteboard.reads, 1);

    face.poll();
    QCOMPARE(pasteboard.reads, 1);

    // The same text copied again moves the counter and is read again.
    pasteboard.copy(QStringLiteral("copied words"));
    face.poll();
    QCOMPARE(pasteboard.reads, 2);
    QCOMPARE(face.changeCount(), 8);
    QCOMPARE(child<QPlainTextEdit>(&face, "clipboardText")->toPlainText(), "copied words");
}

void TestInfoFaces::clipboardShowsNoTextAndRefreshAlwaysReads()
{
    FakePasteboard pasteboard;
    pasteboard.content = QStringLiteral("before");
    ClipboardWidget face(&pasteboard);

    pasteboard.copy(std::nullopt);
    face.poll();
    QCOMPARE(face.text(), "No text on the clipboard");
    QCOMPARE(
        child<QPlainTextEdit>(&face, "clipboardText")->toPlainText(), "No text on the clipboard");
    face.poll();
    QCOMPARE(pasteboard.reads, 2);

    // The refresh button reads even though the counter did not move.
    pasteboard.content = QStringLiteral("sneaked in");
    auto *refresh = child<QAbstractButton>(&face, "clipboardRefresh");
    QCOMPARE(refresh->toolTip(), "Refresh");
    refresh->click();
    QCOMPARE(pasteboard.reads, 3);
    QCOMPARE(face.text(), "sneaked in");
}

void TestInfoFaces::clipboardFollowsPollingWithinASecond()
{
    FakePasteboard pasteboard;
    ClipboardWidget face(&pasteboard);
    QCOMPARE(face.text(), "No text on the clipboard");
    pasteboard.copy(QStringLiteral("later"));
    QTRY_COMPARE_WITH_TIMEOUT(face.text(), QStringLiteral("later"), 1500);
}

void TestInfoFaces::clipboardKeepsHugeTextWholeButShowsAPart()
{
    FakePasteboard pasteboard;
    pasteboard.content = QString(ClipboardWidget::shownCharacterLimit * 50, u'x');
    ClipboardWidget face(&pasteboard);
    face.resize(290, 190);
    const QSize shortHint = face.minimumSizeHint();

    QCOMPARE(face.text().size(), ClipboardWidget::shownCharacterLimit * 50);
    const QString shownText = child<QPlainTextEdit>(&face, "clipboardText")->toPlainText();
    QCOMPARE(shownText.size(), ClipboardWidget::shownCharacterLimit + 1);
    QVERIFY(shownText.endsWith(QChar(0x2026)));

    // A surrogate pair on the limit is not split.
    QString emoji = QString(ClipboardWidget::shownCharacterLimit - 1, u'a');
    emoji += QString::fromUtf8("\U0001F600 tail");
    pasteboard.copy(emoji);
    face.poll();
    QVERIFY(!face.shownText().at(face.shownText().size() - 2).isHighSurrogate());

    // However long the text, the card does not grow.
    QCOMPARE(face.minimumSizeHint(), shortHint);
}

void TestInfoFaces::clipboardWithoutPasteboardStaysPut()
{
    ClipboardWidget face(nullptr);
    face.refresh();
    QCOMPARE(face.text(), "Nothing copied yet");
    QCOMPARE(face.changeCount(), -1);
}

void TestInfoFaces::quickLinkThatOpensClosesOnce()
{
    FakeOpener opener;
    int closes = 0;
    LinkPlaces places {QStringLiteral("/usr/share/applications"), QStringLiteral("/home/u/Down"),
        QStringLiteral("/home/u/Docs"), QStringLiteral("/usr/bin/systemsettings")};
    QuickLinksWidget face([&] { ++closes; }, &opener, places);
    face.resize(290, 180);
    face.show();
    QVERIFY(QTest::qWaitForWindowExposed(&face));

    QTest::mouseClick(child<QAbstractButton>(&face, "link_Downloads"), Qt::LeftButton);
    QCOMPARE(closes, 1);
    QCOMPARE(opener.opened, (QList<LinkTarget> {{LinkTarget::Kind::folder, "/home/u/Down"}}));
    QCOMPARE(face.failedLink(), std::nullopt);
    QVERIFY(!face.findChild<QMessageBox *>());
}

void TestInfoFaces::quickLinkThatFailsShowsAlertAndStays()
{
    FakeOpener opener;
    opener.succeeds = false;
    int closes = 0;
    LinkPlaces places {QStringLiteral("/usr/share/applications"), std::nullopt, std::nullopt, {}};
    QuickLinksWidget face([&] { ++closes; }, &opener, places);
    face.resize(290, 180);
    face.show();
    QVERIFY(QTest::qWaitForWindowExposed(&face));

    QTest::mouseClick(child<QAbstractButton>(&face, "link_Settings"), Qt::LeftButton);
    QCOMPARE(closes, 0);
    QCOMPARE(face.failedLink(), std::optional<QString>(QStringLiteral("Settings")));
    auto *alert = face.findChild<QMessageBox *>(QStringLiteral("linkAlert"));
    QVERIFY(alert);
    QTRY_VERIFY(alert->isVisible());
    QCOMPARE(alert->text(), "Unable to open link");
    QCOMPARE(alert->informativeText(), "Could not open Settings.");
    QVERIFY(face.isVisible());

    alert->button(QMessageBox::Ok)->click();
    QCOMPARE(face.failedLink(), std::nullopt);
    QCOMPARE(QuickLinksWidget::alertMessage(std::nullopt), "Could not open this location.");
}

void TestInfoFaces::quickLinkStartsTheSettingsProgram()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("systemsettings"));
    QVERIFY(writeFile(program, "#!/bin/sh\ntouch \"$0.ran\"\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));

    DesktopLinkOpener opener;
    int closes = 0;
    const LinkPlaces places {
        dir.filePath(QStringLiteral("no-such-folder")), std::nullopt, std::nullopt, program};
    QuickLinksWidget face([&] { ++closes; }, &opener, places);
    child<QAbstractButton>(&face, "link_Settings")->click();
    QTRY_COMPARE(closes, 1);
    QVERIFY(QFile::exists(program + QStringLiteral(".ran")));

    // A folder that is not there fails here rather than in a file browser's window.
    child<QAbstractButton>(&face, "link_Applications")->click();
    QCOMPARE(closes, 1);
    QCOMPARE(face.failedLink(), std::optional<QString>(QStringLiteral("Applications")));
}

void TestInfoFaces::yearProgressShowsPercentAndYear_data()
{
    QTest::addColumn<Instant>("at");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("caption");

    QTest::addRow("first instant of a year") << utc(2026, 1, 1) << "0.0%"
                                             << "of 2026 complete";
    QTest::addRow("half a leap year") << utc(2024, 7, 2) << "50.0%"
                                      << "of 2024 complete";
    QTest::addRow("last minute") << utc(2025, 12, 31, 23, 59) << "100.0%"
                                 << "of 2025 complete";
}

void TestInfoFaces::yearProgressShowsPercentAndYear()
{
    QFETCH(Instant, at);
    QFETCH(QString, percent);
    QFETCH(QString, caption);

    IcuDefaults pinned("en_US", u"UTC");
    YearProgressWidget face;
    face.tick(at);
    QCOMPARE(face.percentText(), percent);
    QCOMPARE(face.captionText(), caption);
}

void TestInfoFaces::quoteOfTheDayIsCurlyAndAttributed()
{
    IcuDefaults pinned("en_US", u"UTC");
    QuoteWidget face;
    face.tick(utc(2024, 1, 1, 9));
    QCOMPARE(face.quoteText(),
        QString::fromUtf8("\u201CSimplicity is the ultimate sophistication.\u201D"));
    QCOMPARE(face.authorText(), QString::fromUtf8("\u2014 Leonardo da Vinci"));
    face.tick(utc(2024, 1, 5, 9));
    QCOMPARE(face.quoteText(),
        QString::fromUtf8("\u201CThe secret of getting ahead is getting started.\u201D"));
}

void TestInfoFaces::diceStartAtThreeAndFiveAndRoll()
{
    DiceWidget face;
    QCOMPARE(child<SymbolView>(&face, "firstDie")->symbol(), "die.face.3.fill");
    QCOMPARE(child<SymbolView>(&face, "secondDie")->symbol(), "die.face.5.fill");
    auto *roll = child<QAbstractButton>(&face, "rollButton");
    QCOMPARE(roll->text(), "Roll");
    for (int i = 0; i < 50; ++i) {
        roll->click();
        QVERIFY(face.first() >= 1 && face.first() <= 6);
        QVERIFY(face.second() >= 1 && face.second() <= 6);
        QCOMPARE(
            child<SymbolView>(&face, "firstDie")->symbol(), DiceWidget::symbolName(face.first()));
        QCOMPARE(
            child<SymbolView>(&face, "secondDie")->symbol(), DiceWidget::symbolName(face.second()));
    }
}

void TestInfoFaces::factoryBuildsEveryInformationFace()
{
    QWidget parent;
    for (const auto &[kind, name] : informationFaces) {
        QWidget *face = createFace(kind, FaceContext(), &parent);
        QCOMPARE(face->objectName(), QLatin1String(name));
        QCOMPARE(face->parentWidget(), &parent);
    }
}

QTEST_MAIN(TestInfoFaces)
#include "tst_infofaces.moc"
