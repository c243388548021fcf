#include "calculatorwidget.h"
#include "calendarwidget.h"
#include "converterwidget.h"
#include "countdownwidget.h"
#include "dashboardstore.h"
#include "digitlabel.h"
#include "digittext.h"
#include "fakedefaults.h"
#include "icu.h"
#include "noteswidget.h"
#include "notetext.h"
#include "stopwatchwidget.h"
#include "theme.h"
#include "toolbarbuttonstyle.h"
#include "unitconversion.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

namespace {

const QString kKey = QStringLiteral("dashboard.widgets.display.TEST.v1");

// A store on an in-memory defaults database that counts writes.
struct Fixture
{
    FakeDefaults defaults;
    std::unique_ptr<DashboardStore> store;

    explicit Fixture(const QList<DashboardWidgetKind> &kinds)
    {
        store = std::make_unique<DashboardStore>(defaults, kKey, false);
        QList<DashboardWidget> widgets;
        for (const DashboardWidgetKind kind : kinds)
            widgets.append(DashboardWidget::make(kind, 100, 100));
        store->setWidgets(widgets);
        defaults.resetCounts();
    }

    QUuid id(int index) const { return store->widgets().at(index).id; }
    const DashboardWidget &widget(int index) const { return store->widgets().at(index); }
    int saves() const { return defaults.writes(kKey); }
};

// A fixed, adjustable "now" for faces that read the clock.
struct FakeClock
{
    std::shared_ptr<Instant> now = std::make_shared<Instant>();
    std::function<Instant()> function() const
    {
        return [now = now] { return *now; };
    }
};

Instant wallTime(const icu::Calendar &zoned, int year, int month, int day, int hour = 12)
{
    std::unique_ptr<icu::Calendar> calendar(zoned.clone());
    calendar->clear();
    calendar->set(year, month - 1, day, hour, 0, 0);
    UErrorCode status = U_ZERO_ERROR;
    return Icu::fromUDate(calendar->getTime(status));
}

CalculatorKey *key(QWidget *face, const QString &label)
{
    return face->findChild<CalculatorKey *>(QStringLiteral("key ") + label);
}

} // namespace

class TestInteractiveFaces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void calculatorKeyPressWritesRecordAndSavesOnce();
    void calculatorHasNineteenKeysWithTheirColours();
    void twoCalculatorsKeepSeparateStates();
    void physicalKeysPressKeypadKeys_data();
    void physicalKeysPressKeypadKeys();
    void clickOnCardGivesCalculatorTheKeyboard();
    void longResultShrinksToHalfSize();

    void newStopwatchShowsZeroAndStart();
    void stopwatchStartStopAndReset();
    void stopwatchRunSurvivesRebuild();

    void newConverterShowsMilesInEnglish();
    void converterTypingAndPickingWriteThrough();
    void converterUnknownChoiceFallsBackWithoutRewriting();
    void converterLongResultKeepsItsLeadingDigits();

    void countdownCaptionsAndDays();
    void countdownNameAndDateWriteThrough();

    void calendarStepsMonthsAndMarksTodayOnlyInCurrentMonth();

    void notesShowDefaultTextAndSaveEachKeystroke();
    void notesLargePasteIsStoredWithOneSave();
    void twoNotesEditSeparateTexts();
    void noteEditsKeepExactText_data();
    void noteEditsKeepExactText();
    void notesPasteAndLongNoteKeepExactText();
    void noFieldTakesTheKeyboardOnShow();

    void writesForRemovedWidgetChangeNothing_data();
    void writesForRemovedWidgetChangeNothing();
};

void TestInteractiveFaces::calculatorKeyPressWritesRecordAndSavesOnce()
{
    Fixture fixture({DashboardWidgetKind::calculator});
    CalculatorWidget face(fixture.store.get(), fixture.id(0));
    QCOMPARE(face.displayText(), u"0"_qs);
    QVERIFY(!fixture.widget(0).calculator);

    QTest::mouseClick(key(&face, u"7"_qs), Qt::LeftButton);

    QCOMPARE(fixture.saves(), 1);
    QVERIFY(fixture.widget(0).calculator);
    QCOMPARE(fixture.widget(0).calculator->display, u"7"_qs);
    QCOMPARE(fixture.widget(0).calculator->startsNewNumber, false);
    QCOMPARE(face.displayText(), u"7"_qs);
    // What was saved is what the record holds.
    QVERIFY(fixture.defaults.read(kKey)->contains("\"display\":\"7\""));
}

void TestInteractiveFaces::calculatorHasNineteenKeysWithTheirColours()
{
    Fixture fixture({DashboardWidgetKind::calculator});
    CalculatorWidget face(fixture.store.get(), fixture.id(0));
    const auto keys = face.findChildren<CalculatorKey *>();
    QCOMPARE(keys.size(), 19);
    for (const QString &label : CalculatorWidget::keys) {
        const bool digit = label.size() == 1 && label.front().isDigit();
        QVERIFY2(key(&face, label), qPrintable(label));
        QCOMPARE(key(&face, label)->fill(),
            digit ? Theme::white(0.09) : Theme::withOpacity(Theme::orange(), 0.72));
    }
}

void TestInteractiveFaces::twoCalculatorsKeepSeparateStates()
{
    Fixture fixture({DashboardWidgetKind::calculator, DashboardWidgetKind::calculator});
    CalculatorWidget first(fixture.store.get(), fixture.id(0));
    CalculatorWidget second(fixture.store.get(), fixture.id(1));

    QTest::mouseClick(key(&first, u"4"_qs), Qt::LeftButton);
    QTest::mouseClick(key(&first, u"+"_qs), Qt::LeftButton);
    QTest::mouseClick(key(&second, u"9"_qs), Qt::LeftButton);
    QTest::mouseClick(key(&first, u"2"_qs), Qt::LeftButton);
    QTest::mouseClick(key(&first, u"="_qs), Qt::LeftButton);

    QCOMPARE(first.displayText(), u"6"_qs);
    QCOMPARE(second.displayText(), u"9"_qs);
    QCOMPARE(fixture.widget(0).calculator->display, u"6"_qs);
    QCOMPARE(fixture.widget(1).calculator->display, u"9"_qs);
    QCOMPARE(fixture.widget(1).calculator->operation, std::nullopt);
    QCOMPARE(fixture.saves(), 5);
}

void TestInteractiveFaces::physicalKeysPressKeypadKeys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("finalKey");
    QTest::addColumn<QString>("display");

    QTest::addRow("digits and Enter") << u"12+3"_qs << int(Qt::Key_Return) << u"15"_qs;
    QTest::addRow("keypad Enter") << u"6*7"_qs << int(Qt::Key_Enter) << u"42"_qs;
    QTest::addRow("equals sign") << u"9/4="_qs << 0 << u"2.25"_qs;
    QTest::addRow("hyphen subtracts") << u"5-8="_qs << 0 << u"-3"_qs;
    QTest::addRow("point and percent") << u"2.5%"_qs << 0 << u"0.025"_qs;
    QTest::addRow("Backspace is no key") << u"12"_qs << int(Qt::Key_Backspace) << u"12"_qs;
    QTest::addRow("letters ignored") << u"1c2x"_qs << 0 << u"12"_qs;
}

void TestInteractiveFaces::physicalKeysPressKeypadKeys()
{
    QFETCH(QString, typed);
    QFETCH(int, finalKey);
    QFETCH(QString, display);
    Fixture fixture({DashboardWidgetKind::calculator});
    CalculatorWidget face(fixture.store.get(), fixture.id(0));
    QTest::keyClicks(&face, typed);
    if (finalKey)
        QTest::keyClick(&face, Qt::Key(finalKey));
    QCOMPARE(face.displayText(), display);
    QCOMPARE(fixture.widget(0).calculator->display, display);
}

void TestInteractiveFaces::clickOnCardGivesCalculatorTheKeyboard()
{
    Fixture fixture({DashboardWidgetKind::calculator});
    QWidget card;
    card.resize(300, 410);
    auto *face = new CalculatorWidget(fixture.store.get(), fixture.id(0), &card);
    face->setGeometry(20, 30, 260, 360);
    auto *other = new QLineEdit(&card);
    other->setGeometry(0, 0, 10, 10);
    card.show();
    QApplication::setActiveWindow(&card);
    QVERIFY(QTest::qWaitForWindowActive(&card));
    other->setFocus();
    QVERIFY(!face->hasFocus());

    // The card's padding, outside the face, still hands the keyboard to it.
    QTest::mouseClick(&card, Qt::LeftButton, {}, QPoint(5, 200));
    QVERIFY(face->hasFocus());
    other->setFocus();
    QTest::mouseClick(key(face, u"5"_qs), Qt::LeftButton);
    QVERIFY(face->hasFocus());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
    QCOMPARE(face->displayText(), u"53"_qs);
    QVERIFY(key(face, u"3"_qs)->isDown()); // the keypad key shows the press briefly
    QTRY_VERIFY(!key(face, u"3"_qs)->isDown());
    // Esc is not the calculator's: it goes on to the overlay.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(face, &escape);
    QVERIFY(!escape.isAccepted());
}

void TestInteractiveFaces::longResultShrinksToHalfSize()
{
    Fixture fixture({DashboardWidgetKind::calculator});
    CalculatorWidget face(fixture.store.get(), fixture.id(0));
    face.resize(260, 360);
    face.show();
    QVERIFY(QTest::qWaitForWindowExposed(&face));
    for (const QChar c : u"1234567890.12345"_qs)
        face.press(QString(c));
    face.press(u"±"_qs);
    auto *display = face.findChild<DigitLabel *>(u"display"_qs);
    QCOMPARE(display->text(), u"-1234567890.12345"_qs);
    QVERIFY(display->currentScale() < 1.0);
    QVERIFY(display->currentScale() >= 0.5);
    QCOMPARE(display->height(), display->sizeHint().height()); // still one line
}

void TestInteractiveFaces::newStopwatchShowsZeroAndStart()
{
    Fixture fixture({DashboardWidgetKind::stopwatch});
    StopwatchWidget face(fixture.store.get(), fixture.id(0));
    QCOMPARE(face.shownText(), u"00:00.0"_qs);
    QCOMPARE(face.startStopText(), u"Start"_qs);
    auto *startStop = face.findChild<ToolbarButtonStyle *>(u"startStop"_qs);
    auto *reset = face.findChild<ToolbarButtonStyle *>(u"reset"_qs);
    QVERIFY(startStop->isProminent());
    QVERIFY(!reset->isProminent());
    QCOMPARE(reset->text(), u"Reset"_qs);
    QCOMPARE(fixture.saves(), 0);
}

void TestInteractiveFaces::stopwatchStartStopAndReset()
{
    Fixture fixture({DashboardWidgetKind::stopwatch});
    FakeClock clock;
    *clock.now = Instant {1000};
    StopwatchWidget face(fixture.store.get(), fixture.id(0), nullptr, clock.function());
    auto *startStop = face.findChild<ToolbarButtonStyle *>(u"startStop"_qs);
    auto *reset = face.findChild<ToolbarButtonStyle *>(u"reset"_qs);

    QTest::mouseClick(startStop, Qt::LeftButton);
    QCOMPARE(fixture.saves(), 1);
    QCOMPARE(fixture.widget(0).stopwatch->startedAt, std::optional(Instant {1000}));
    QCOMPARE(face.startStopText(), u"Stop"_qs);

    // Running writes nothing; the timeline only redraws.
    *clock.now = Instant {1001.25};
    QTRY_COMPARE(face.shownText(), u"00:01.2"_qs);
    QCOMPARE(fixture.saves(), 1);

    QTest::mouseClick(startStop, Qt::LeftButton);
    QCOMPARE(fixture.saves(), 2);
    QCOMPARE(fixture.widget(0).stopwatch->elapsed, 1.25);
    QCOMPARE(fixture.widget(0).stopwatch->startedAt, std::nullopt);
    QCOMPARE(face.startStopText(), u"Start"_qs);

    // Reset while running stops and clears.
    QTest::mouseClick(startStop, Qt::LeftButton);
    *clock.now = Instant {1100};
    QTest::mouseClick(reset, Qt::LeftButton);
    QCOMPARE(fixture.saves(), 4);
    QCOMPARE(*fixture.widget(0).stopwatch, StopwatchState {});
    QCOMPARE(face.shownText(), u"00:00.0"_qs);
}

void TestInteractiveFaces::stopwatchRunSurvivesRebuild()
{
    // Started an hour ago, before the overlay was hidden and the app restarted.
    Fixture fixture({DashboardWidgetKind::stopwatch});
    fixture.store->updateWidget(fixture.id(0), [](DashboardWidget &widget) {
        widget.stopwatch = StopwatchState {Instant {1000}, 5};
    });
    DashboardStore reloaded(fixture.defaults, kKey, false);
    FakeClock clock;
    *clock.now = Instant {4600};
    StopwatchWidget face(&reloaded, fixture.id(0), nullptr, clock.function());
    QCOMPARE(face.shownText(), u"60:05.0"_qs);
    QCOMPARE(face.startStopText(), u"Stop"_qs);
}

void TestInteractiveFaces::newConverterShowsMilesInEnglish()
{
    Fixture fixture({DashboardWidgetKind::converter});
    ConverterWidget face(fixture.store.get(), fixture.id(0), nullptr, icu::Locale("en_US"));
    QCOMPARE(face.resultText(), u"0.62 mi"_qs);
    QCOMPARE(face.findChild<QLineEdit *>(u"value"_qs)->text(), u"1"_qs);
    QCOMPARE(face.findChild<QComboBox *>(u"conversion"_qs)->currentText(),
        u"Kilometres \u2192 Miles"_qs);
    QCOMPARE(fixture.saves(), 0); // nothing is written before the user changes something
    QVERIFY(!fixture.widget(0).converterInput);
}

void TestInteractiveFaces::converterTypingAndPickingWriteThrough()
{
    Fixture fixture({DashboardWidgetKind::converter});
    ConverterWidget face(fixture.store.get(), fixture.id(0), nullptr, icu::Locale("de_DE"));
    auto *field = face.findChild<QLineEdit *>(u"value"_qs);
    auto *picker = face.findChild<QComboBox *>(u"conversion"_qs);
    QCOMPARE(picker->count(), 6);

    field->selectAll();
    QTest::keyClicks(field, u"1,5"_qs);
    QCOMPARE(fixture.saves(), 3);
    QCOMPARE(fixture.widget(0).converterInput, std::optional(u"1,5"_qs));
    QCOMPARE(face.resultText(), u"0,93 mi"_qs);

    picker->setCurrentIndex(2);
    Q_EMIT picker->activated(2);
    QCOMPARE(fixture.saves(), 4);
    QCOMPARE(fixture.widget(0).converterChoice, std::optional(u"Celsius \u2192 Fahrenheit"_qs));
    QCOMPARE(face.resultText(), u"34,7 °F"_qs);

    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QCOMPARE(fixture.widget(0).converterInput, std::optional(QString()));
    QCOMPARE(face.resultText(), u"—"_qs);
}

void TestInteractiveFaces::converterUnknownChoiceFallsBackWithoutRewriting()
{
    Fixture fixture({DashboardWidgetKind::converter});
    fixture.store->updateWidget(fixture.id(0), [](DashboardWidget &widget) {
        widget.converterChoice = u"Parsecs \u2192 Furlongs"_qs;
        widget.converterInput = u"-40"_qs;
    });
    fixture.defaults.resetCounts();
    ConverterWidget face(fixture.store.get(), fixture.id(0), nullptr, icu::Locale("en_US"));
    QCOMPARE(face.findChild<QComboBox *>(u"conversion"_qs)->currentIndex(), 0);
    QCOMPARE(face.resultText(), u"-24.85 mi"_qs);
    QCOMPARE(fixture.saves(), 0);
    QCOMPARE(fixture.widget(0).converterChoice, std::optional(u"Parsecs \u2192 Furlongs"_qs));
}

void TestInteractiveFaces::converterLongResultKeepsItsLeadingDigits()
{
    Fixture fixture({DashboardWidgetKind::converter});
    fixture.store->updateWidget(fixture.id(0), [](DashboardWidget &widget) {
        widget.converterInput = u"1e300"_qs;
        widget.converterChoice = UnitConversions::rawText(UnitConversion::celsiusToFahrenheit);
    });
    ConverterWidget face(fixture.store.get(), fixture.id(0), nullptr, icu::Locale("en_US"));
    face.resize(260, 200);
    face.show();
    QVERIFY(QTest::qWaitForWindowExposed(&face));
    auto *result = face.findChild<DigitLabel *>(u"result"_qs);
    const QString full = result->text();
    QVERIFY(full.startsWith(u"1,800,000,"_qs));
    QCOMPARE(result->toolTip(), full);
    const QString shown = DigitText::fitted(full, result->textFont(), result->width(), 0.5);
    QVERIFY(shown.size() < full.size());
    QVERIFY(shown.startsWith(u"1,800,"_qs));
    QVERIFY(shown.endsWith(QChar(0x2026)));
}

void TestInteractiveFaces::countdownCaptionsAndDays()
{
    Fixture fixture({DashboardWidgetKind::countdown});
    auto calendar = Icu::calendar(icu::Locale("en_US"), u"America/New_York");
    FakeClock clock;
    *clock.now = wallTime(*calendar, 2026, 11, 1, 23);
    fixture.store->updateWidget(fixture.id(0), [&](DashboardWidget &widget) {
        widget.countdownDate = wallTime(*calendar, 2026, 11, 1, 1);
    });
    CountdownWidget face(fixture.store.get(), fixture.id(0),
        std::unique_ptr<icu::Calendar>(calendar->clone()), nullptr, clock.function());
    QCOMPARE(face.shownDays(), 0);
    QCOMPARE(face.captionText(), u"Today or already reached"_qs);
    QCOMPARE(face.findChild<DigitLabel *>(u"days"_qs)->text(), u"0"_qs);

    fixture.store->updateWidget(fixture.id(0), [&](DashboardWidget &widget) {
        widget.countdownDate = wallTime(*calendar, 2026, 11, 2, 0);
    });
    QCOMPARE(face.shownDays(), 1);
    QCOMPARE(face.captionText(), u"Until your chosen date"_qs);
}

void TestInteractiveFaces::countdownNameAndDateWriteThrough()
{
    Fixture fixture({DashboardWidgetKind::countdown});
    auto calendar = Icu::calendar(icu::Locale("en_US"), u"Europe/Berlin");
    FakeClock clock;
    *clock.now = wallTime(*calendar, 2026, 12, 8, 10);
    fixture.store->updateWidget(fixture.id(0), [&](DashboardWidget &widget) {
        widget.countdownDate = wallTime(*calendar, 2026, 12, 24, 15);
    });
    fixture.defaults.resetCounts();
    CountdownWidget face(fixture.store.get(), fixture.id(0),
        std::unique_ptr<icu::Calendar>(calendar->clone()), nullptr, clock.function());
    QCOMPARE(face.shownDays(), 16);
    auto *name = face.findChild<QLineEdit *>(u"eventName"_qs);
    QCOMPARE(name->text(), u"A brilliant day"_qs);
    QCOMPARE(name->placeholderText(), u"Event name"_qs);

    name->selectAll();
    QTest::keyClick(name, Qt::Key_Delete);
    QCOMPARE(fixture.widget(0).countdownTitle, QString());
    QCOMPARE(name->text(), QString()); // stays empty: the placeholder shows
    QTest::keyClicks(name, u"Eve"_qs);
    QCOMPARE(fixture.widget(0).countdownTitle, u"Eve"_qs);
    QCOMPARE(fixture.saves(), 4);

    auto *date = face.findChild<QDateEdit *>(u"date"_qs);
    QCOMPARE(date->date(), QDate(2026, 12, 24));
    date->setDate(QDate(2026, 12, 31));
    QCOMPARE(fixture.saves(), 5);
    // The day changes; the time of day is kept.
    QCOMPARE(fixture.widget(0).countdownDate, wallTime(*calendar, 2026, 12, 31, 15));
    QCOMPARE(face.shownDays(), 23);
}

void TestInteractiveFaces::calendarStepsMonthsAndMarksTodayOnlyInCurrentMonth()
{
    auto calendar = Icu::calendar(icu::Locale("en_US"), u"Europe/Berlin");
    FakeClock clock;
    *clock.now = wallTime(*calendar, 2026, 1, 31, 9);
    CalendarWidget face(std::unique_ptr<icu::Calendar>(calendar->clone()), nullptr,
        clock.function(), icu::Locale("en_US"));
    auto *previous = face.findChild<QToolButton *>(u"previousMonth"_qs);
    auto *today = face.findChild<QToolButton *>(u"today"_qs);
    auto *next = face.findChild<QToolButton *>(u"nextMonth"_qs);
    QCOMPARE(previous->toolTip(), u"Previous month"_qs);
    QCOMPARE(next->accessibleName(), u"Next month"_qs);

    QCOMPARE(face.monthTitle(), u"January 2026"_qs);
    // January 2026 starts on a Thursday: four empty cells with Sunday first.
    QCOMPARE(face.grid()->cellCount(), 4 + 31);
    QCOMPARE(face.grid()->todayIndex(), 4 + 30);

    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(face.monthTitle(), u"December 2025"_qs);
    QCOMPARE(face.grid()->todayIndex(), -1);

    QTest::mouseClick(today, Qt::LeftButton);
    QTest::mouseClick(next, Qt::LeftButton);
    // From 31 January one month on is February: the day clamps, the month counts.
    QCOMPARE(face.monthTitle(), u"February 2026"_qs);
    QCOMPARE(face.grid()->cellCount(), 28);
    QCOMPARE(face.grid()->todayIndex(), -1);

    QTest::mouseClick(today, Qt::LeftButton);
    QCOMPARE(face.monthOffset(), 0);
    QCOMPARE(face.monthTitle(), u"January 2026"_qs);

    CalendarWidget german(Icu::calendar(icu::Locale("de_DE"), u"Europe/Berlin"), nullptr,
        clock.function(), icu::Locale("de_DE"));
    QCOMPARE(german.monthTitle(), u"Januar 2026"_qs);
    QCOMPARE(german.grid()->cellCount(), 3 + 31); // Monday first
}

void TestInteractiveFaces::notesShowDefaultTextAndSaveEachKeystroke()
{
    Fixture fixture({DashboardWidgetKind::notes});
    NotesWidget face(fixture.store.get(), fixture.id(0));
    QCOMPARE(face.editor()->toPlainText(), u"Ideas, reminders, anything\u2026"_qs);
    QCOMPARE(fixture.saves(), 0);

    face.editor()->selectAll();
    QTest::keyClick(face.editor(), Qt::Key_Delete);
    QCOMPARE(fixture.saves(), 1);
    QCOMPARE(fixture.widget(0).note, QString());

    QTest::keyClicks(face.editor(), u"Buy milk"_qs);
    QCOMPARE(fixture.saves(), 9);
    QCOMPARE(fixture.widget(0).note, u"Buy milk"_qs);
    QTest::keyClick(face.editor(), Qt::Key_Backspace);
    QCOMPARE(fixture.saves(), 10);
    QCOMPARE(fixture.widget(0).note, u"Buy mil"_qs);
    QVERIFY(fixture.defaults.read(kKey)->contains("Buy mil\""));

    face.editor()->clear();
    QCOMPARE(fixture.widget(0).note, QString());
    // An empty note stays empty after a restart: no default text comes back.
    DashboardStore reloaded(fixture.defaults, kKey, false);
    NotesWidget rebuilt(&reloaded, fixture.id(0));
    QCOMPARE(rebuilt.editor()->toPlainText(), QString());
}

void TestInteractiveFaces::notesLargePasteIsStoredWithOneSave()
{
    Fixture fixture({DashboardWidgetKind::notes});
    NotesWidget face(fixture.store.get(), fixture.id(0));
    QString large;
    const QString line = u"The quick brown fox jumps over the lazy dog, again and again.\n"_qs;
    while (large.size() < 4 * 1024 * 1024)
        large += line;
    face.editor()->selectAll();
    face.editor()->insertPlainText(large); // what a paste does
    // A note this long is saved once typing pauses.
    QTRY_COMPARE(fixture.saves(), 1);
    QCOMPARE(fixture.widget(0).note.size(), large.size());
    QCOMPARE(fixture.widget(0).note, large);
}

void TestInteractiveFaces::twoNotesEditSeparateTexts()
{
    Fixture fixture({DashboardWidgetKind::notes, DashboardWidgetKind::notes});
    NotesWidget first(fixture.store.get(), fixture.id(0));
    NotesWidget second(fixture.store.get(), fixture.id(1));
    QTest::keyClicks(first.editor(), u"A"_qs);
    second.editor()->selectAll();
    QTest::keyClicks(second.editor(), u"B"_qs);
    QCOMPARE(fixture.widget(0).note, u"AIdeas, reminders, anything\u2026"_qs);
    QCOMPARE(fixture.widget(1).note, u"B"_qs);
    QCOMPARE(second.editor()->toPlainText(), u"B"_qs);
    QCOMPARE(first.editor()->toPlainText(), u"AIdeas, reminders, anything\u2026"_qs);
}

void TestInteractiveFaces::noteEditsKeepExactText_data()
{
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("position"); // in the editor's display
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted"); // display form
    QTest::addColumn<QString>("exact"); // what the user pasted, when known
    QTest::addColumn<QString>("expected");

    const QString separators = u"100\u00A0\u20AC and\u2028line"_qs;
    QTest::addRow("no-break space and line separator kept")
        << separators << 15 << 0 << u"!"_qs << QString() << separators + u'!';
    QTest::addRow("typing after CR LF keeps every line end")
        << u"a\r\nb\rc\nd"_qs << 3 << 0 << u"X"_qs << QString() << u"a\r\nbX\rc\nd"_qs;
    QTest::addRow("deleting a CR LF deletes both")
        << u"a\r\nb\rc"_qs << 1 << 1 << QString() << QString() << u"ab\rc"_qs;
    QTest::addRow("Enter is a line feed")
        << u"a\r\nb"_qs << 1 << 0 << u"\u2029"_qs << QString() << u"a\n\r\nb"_qs;
    QTest::addRow("paste keeps its CR LF")
        << u"ab"_qs << 1 << 0 << u"x\u2029y"_qs << u"x\r\ny"_qs << u"ax\r\nyb"_qs;
    QTest::addRow("paste over a selection")
        << u"one\ntwo"_qs << 1 << 4 << u"\u00A0\u2029"_qs << u"\u00A0\r"_qs << u"o\u00A0\rwo"_qs;
    const QString line(3000, u'a');
    QTest::addRow("removing a soft cut keeps the long line")
        << line << int(NoteText::chunkLength) << 1 << QString() << QString() << line;
    QTest::addRow("typing after a soft cut")
        << line << int(NoteText::chunkLength) + 1 << 0 << u"b"_qs << QString()
        << QString(line).insert(NoteText::chunkLength, u'b');
    QTest::addRow("edit past the end is clamped")
        << u"ab"_qs << 9 << 4 << u"c"_qs << QString() << u"abc"_qs;
}

void TestInteractiveFaces::noteEditsKeepExactText()
{
    QFETCH(QString, note);
    QFETCH(int, position);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    QFETCH(QString, exact);
    QFETCH(QString, expected);
    NoteText text(note);
    QCOMPARE(text.displayLength(), text.display().size());
    text.apply(position, removed, inserted,
        exact.isNull() ? std::nullopt : std::optional<QStringView>(exact));
    QCOMPARE(text.exact(), expected);
    QCOMPARE(text.displayLength(), text.display().size());
    QCOMPARE(text.exactMid(0, text.displayLength()), expected);
}

void TestInteractiveFaces::notesPasteAndLongNoteKeepExactText()
{
    Fixture fixture({DashboardWidgetKind::notes});
    const QString pasted = u"100\u00A0\u20AC and\u2028line\r\nnext"_qs;
    {
        NotesWidget face(fixture.store.get(), fixture.id(0));
        face.editor()->selectAll();
        QGuiApplication::clipboard()->setText(pasted);
        face.editor()->paste();
        QCOMPARE(fixture.widget(0).note, pasted);
        QTest::keyClick(face.editor(), Qt::Key_Exclam);
        QCOMPARE(fixture.widget(0).note, pasted + u'!');
        face.editor()->selectAll();
        face.editor()->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), pasted + u'!');
    }

    // A long note with a long line and CR LF line ends loads in slices, unchanged, and
    // its last keystroke is saved when the face goes away.
    QString note = QString(3 * NoteText::chunkLength, u'x') + u"\r\n"_qs;
    while (note.size() <= NotesWidget::immediateSaveLimit)
        note += u"line\u00A0of text\r\n"_qs;
    fixture.store->updateWidget(fixture.id(0), [&](DashboardWidget &w) { w.note = note; });
    fixture.defaults.resetCounts();
    {
        NotesWidget face(fixture.store.get(), fixture.id(0));
        QVERIFY(!face.isLoaded());
        QTRY_VERIFY(face.isLoaded());
        QCOMPARE(fixture.saves(), 0);
        face.editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(face.editor(), u"end"_qs);
        QCOMPARE(fixture.saves(), 0);
        // After a pause the editor goes on with its own copy, made off the main thread.
        face.flush();
        QTest::qWait(50);
        QTest::keyClicks(face.editor(), u"!"_qs);
    }
    QCOMPARE(fixture.saves(), 2);
    QCOMPARE(fixture.widget(0).note, note + u"end!"_qs);
}

void TestInteractiveFaces::noFieldTakesTheKeyboardOnShow()
{
    Fixture fixture({DashboardWidgetKind::notes, DashboardWidgetKind::converter,
        DashboardWidgetKind::countdown});
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new NotesWidget(fixture.store.get(), fixture.id(0)));
    layout->addWidget(new ConverterWidget(fixture.store.get(), fixture.id(1)));
    layout->addWidget(new CountdownWidget(
        fixture.store.get(), fixture.id(2), Icu::calendar(icu::Locale("en_US"), u"UTC")));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), nullptr);
    QTest::keyClicks(&window, u"Q"_qs);
    QCOMPARE(fixture.defaults.totalWrites(), 0);
}

void TestInteractiveFaces::writesForRemovedWidgetChangeNothing_data()
{
    QTest::addColumn<DashboardWidgetKind>("kind");
    QTest::addRow("calculator") << DashboardWidgetKind::calculator;
    QTest::addRow("stopwatch") << DashboardWidgetKind::stopwatch;
    QTest::addRow("converter") << DashboardWidgetKind::converter;
    QTest::addRow("countdown") << DashboardWidgetKind::countdown;
    QTest::addRow("notes") << DashboardWidgetKind::notes;
}

void TestInteractiveFaces::writesForRemovedWidgetChangeNothing()
{
    QFETCH(DashboardWidgetKind, kind);
    Fixture fixture({kind, DashboardWidgetKind::clock});
    const QUuid id = fixture.id(0);
    std::unique_ptr<QWidget> face;
    switch (kind) {
    case DashboardWidgetKind::calculator:
        face = std::make_unique<CalculatorWidget>(fixture.store.get(), id);
        break;
    case DashboardWidgetKind::stopwatch:
        face = std::make_unique<StopwatchWidget>(fixture.store.get(), id);
        break;
    case DashboardWidgetKind::converter:
        face = std::make_unique<ConverterWidget>(fixture.store.get(), id);
        break;
    case DashboardWidgetKind::countdown:
        face = std::make_unique<CountdownWidget>(
            fixture.store.get(), id, Icu::calendar(icu::Locale("en_US"), u"UTC"));
        break;
    default:
        face = std::make_unique<NotesWidget>(fixture.store.get(), id);
        break;
    }
    fixture.store->remove(id);
    const QList<DashboardWidget> before = fixture.store->widgets();
    fixture.defaults.resetCounts();

    if (auto *calculator = qobject_cast<CalculatorWidget *>(face.get())) {
        QTest::mouseClick(key(calculator, u"7"_qs), Qt::LeftButton);
        QTest::keyClick(calculator, Qt::Key_8);
    }
    if (auto *stopwatch = qobject_cast<StopwatchWidget *>(face.get())) {
        stopwatch->toggle();
        stopwatch->reset();
    }
    if (auto *field = face->findChild<QLineEdit *>())
        QTest::keyClicks(field, u"12"_qs);
    if (auto *picker = face->findChild<QComboBox *>()) {
        picker->setCurrentIndex(3);
        Q_EMIT picker->activated(3);
    }
    if (auto *date = face->findChild<QDateEdit *>())
        date->setDate(date->date().addDays(3));
    if (auto *notes = qobject_cast<NotesWidget *>(face.get()))
        QTest::keyClicks(notes->editor(), u"late"_qs);

    QCOMPARE(fixture.defaults.totalWrites(), 0);
    QCOMPARE(fixture.store->widgets(), before);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The faces read the user's locale; pin it.
    qputenv("LC_ALL", "en_US.UTF-8");
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    TestInteractiveFaces test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_interactivefaces.moc"
