#include "dashboardcontroller.h"
#include "dashboardpanel.h"
#include "dashboardstore.h"
#include "dashboardview.h"
#include "facewidget.h"
#include "fakedefaults.h"
#include "fakescreens.h"
#include "globalhotkey.h"
#include "noteswidget.h"
#include "qtscreens.h"
#include "screencapture.h"
#include "widgetjson.h"
#include "windowhints.h"
#include "x11hotkey.h"

#include <QApplication>
#include <QBackingStore>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <qpa/qwindowsysteminterface.h>

namespace {

// Everything the fakes see, in order, so tests can check what happened before what.
using Log = QStringList;

class RecordingPresentation final : public Presentation
{
public:
    explicit RecordingPresentation(Log &log)
        : m_log(log)
    { }
    Options current;
    Options options() const override { return current; }
    void setOptions(Options options) override
    {
        current = options;
        m_log << QStringLiteral("options %1").arg(options.toInt());
    }
    void activateApplication() override { m_log << QStringLiteral("activate"); }
    void hideApplication() override { m_log << QStringLiteral("hide app"); }

private:
    Log &m_log;
};

class FakeHotKey final : public GlobalHotKey
{
public:
    explicit FakeHotKey(Log &log)
        : m_log(log)
    { }
    std::optional<QString> failure;
    bool held = false;
    std::optional<QString> grab() override
    {
        m_log << QStringLiteral("grab");
        held = !failure;
        return failure;
    }
    void release() override
    {
        m_log << QStringLiteral("release");
        held = false;
    }
    void press() { Q_EMIT activated(); }

private:
    Log &m_log;
};

ScreenInfo screen(const QString &id, QRect geometry, bool primary)
{
    return {id, geometry, primary, nullptr};
}

const ScreenInfo wide = screen(QStringLiteral("DP-1"), {0, 0, 1920, 1080}, true);
const ScreenInfo side = screen(QStringLiteral("HDMI-A-1"), {1920, 0, 1440, 900}, false);

DashboardWidget widgetAt(DashboardWidgetKind kind, double x, double y)
{
    return DashboardWidget::make(kind, x, y);
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestOverlay : public QObject
{
    Q_OBJECT

private:
    Log log;
    FakeDefaults *defaults = nullptr;
    FakeScreens *screens = nullptr;
    RecordingPresentation *presentation = nullptr;
    FakeHotKey *hotKey = nullptr;
    NullWindowHints hints;
    DashboardController *controller = nullptr;
    // Which panels were visible at each capture.
    QList<int> visibleAtCapture;

    // Notes how many panels were up when each screen was read.
    class RecordingCapture final : public ScreenCapture
    {
    public:
        explicit RecordingCapture(TestOverlay &test)
            : m_test(test)
        { }
        QImage grab(const ScreenInfo &info) override
        {
            int visible = 0;
            for (DashboardPanel *panel : m_test.controller->panels())
                visible += panel->isVisible();
            m_test.visibleAtCapture << visible;
            m_test.log << QStringLiteral("capture ") + info.identifier;
            return {};
        }

    private:
        TestOverlay &m_test;
    };
    RecordingCapture capture {*this};

    void makeController()
    {
        delete controller;
        OverlayPlatform platform {screens, presentation, hotKey, &hints, &capture};
        controller = new DashboardController(*defaults, platform, FaceServices {});
    }

private Q_SLOTS:
    void init()
    {
        log.clear();
        visibleAtCapture.clear();
        defaults = new FakeDefaults;
        screens = new FakeScreens;
        screens->list = {wide, side};
        presentation = new RecordingPresentation(log);
        hotKey = new FakeHotKey(log);
        makeController();
    }

    void cleanup()
    {
        delete controller;
        controller = nullptr;
        flushDeletes();
        delete hotKey;
        delete presentation;
        delete screens;
        delete defaults;
    }

    void togglingTwiceRestoresPresentation_data()
    {
        QTest::addColumn<int>("before");
        QTest::addRow("default options") << 0;
        QTest::addRow("docks already covered") << int(Presentation::CoverDocks);
        QTest::addRow("both already hidden") << int(DashboardController::overlayOptions);
    }

    void togglingTwiceRestoresPresentation()
    {
        QFETCH(int, before);
        presentation->current = Presentation::Options::fromInt(before);
        controller->toggle();
        QVERIFY(controller->isVisible());
        QCOMPARE(presentation->current, DashboardController::overlayOptions);
        controller->toggle();
        QVERIFY(!controller->isVisible());
        QCOMPARE(presentation->current.toInt(), before);
        QVERIFY(log.endsWith(QStringLiteral("hide app")));
    }

    void showBuildsOnePanelPerScreenInOrderAndFocusesTheMainOne_data()
    {
        QTest::addColumn<bool>("mainFirst");
        QTest::addRow("main screen listed first") << true;
        QTest::addRow("main screen listed second") << false;
    }

    void showBuildsOnePanelPerScreenInOrderAndFocusesTheMainOne()
    {
        QFETCH(bool, mainFirst);
        screens->list = mainFirst ? QList {wide, side} : QList {side, wide};
        controller->show();
        QCOMPARE(controller->panels().size(), 2);
        QCOMPARE(controller->panels().at(0)->screenInfo(), screens->list.at(0));
        QCOMPARE(controller->panels().at(1)->screenInfo(), screens->list.at(1));
        DashboardPanel *main = controller->panels().at(mainFirst ? 0 : 1);
        QVERIFY(QTest::qWaitForWindowActive(main));
        QCOMPARE(QApplication::activeWindow(), main);
        for (DashboardPanel *panel : controller->panels()) {
            QVERIFY(panel->isVisible());
            QVERIFY(panel->isFullScreen());
            QVERIFY(panel->windowFlags().testFlag(Qt::FramelessWindowHint));
            QVERIFY(panel->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QVERIFY(panel->view());
        }
    }

    void everyScreenIsCapturedBeforeAnyPanelIsMapped()
    {
        controller->show();
        QCOMPARE(visibleAtCapture, (QList<int> {0, 0}));
        QCOMPARE(log.mid(0, 2),
            (Log {QStringLiteral("capture DP-1"), QStringLiteral("capture HDMI-A-1")}));
    }

    void escWhileHiddenReachesTheFocusedControl()
    {
        controller->start();
        QLineEdit edit;
        int escPresses = 0;
        struct Counter : QObject
        {
            int *count;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::KeyPress
                    && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                    ++*count;
                return false;
            }
        } counter;
        counter.count = &escPresses;
        edit.installEventFilter(&counter);
        edit.show();
        QTest::keyClick(&edit, Qt::Key_Escape);
        QCOMPARE(escPresses, 1);
        QVERIFY(!controller->isVisible());

        controller->show();
        QTest::keyClick(controller->panels().constFirst(), Qt::Key_Escape);
        QVERIFY(!controller->isVisible());
        QTest::keyClick(&edit, Qt::Key_Escape);
        QCOMPARE(escPresses, 2);
    }

    void escWhileShownHidesAndIsNotDelivered()
    {
        controller->start();
        controller->show();
        QLineEdit *edit = new QLineEdit(controller->panels().constFirst()->view());
        bool reached = false;
        struct Watch : QObject
        {
            bool *reached;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::KeyPress)
                    *reached = true;
                return false;
            }
        } watch;
        watch.reached = &reached;
        edit->installEventFilter(&watch);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!controller->isVisible());
        QVERIFY(!reached);
        edit->removeEventFilter(&watch);
    }

    void escOnAnAlertClosesTheAlertOnly()
    {
        controller->start();
        controller->show();
        auto *alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Unable to open link"),
            QString(), QMessageBox::Ok, controller->panels().constFirst()->view());
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->setWindowModality(Qt::WindowModal);
        alert->open();
        QVERIFY(QTest::qWaitForWindowExposed(alert));
        QPointer<QMessageBox> watched(alert);
        QTest::keyClick(alert, Qt::Key_Escape);
        QTRY_VERIFY(!watched);
        QVERIFY(controller->isVisible());
    }

    void otherKeysPassWhileShown()
    {
        controller->start();
        controller->show();
        auto *edit = new QLineEdit(controller->panels().constFirst()->view());
        QTest::keyClicks(edit, QStringLiteral("hi"));
        QCOMPARE(edit->text(), QStringLiteral("hi"));
        QVERIFY(controller->isVisible());
    }

    void stopWhileVisibleRestoresBeforeReleasingTheHotKey()
    {
        QVERIFY(!controller->start());
        presentation->current = Presentation::CoverDocks;
        controller->show();
        log.clear();
        controller->stop();
        QVERIFY(!controller->isVisible());
        const qsizetype restored = log.indexOf(QStringLiteral("options 2"));
        const qsizetype released = log.indexOf(QStringLiteral("release"));
        QVERIFY(restored >= 0);
        QVERIFY(released > restored);
        QVERIFY(!hotKey->held);
    }

    void noScreensStillToggles()
    {
        screens->list.clear();
        controller->show();
        QVERIFY(controller->isVisible());
        QVERIFY(controller->panels().isEmpty());
        QVERIFY(log.contains(QStringLiteral("activate")));
        QCOMPARE(presentation->current, DashboardController::overlayOptions);
        controller->toggle();
        QVERIFY(!controller->isVisible());
        QCOMPARE(presentation->current.toInt(), 0);
    }

    void hotKeyPressesToggleOnTheEventLoop()
    {
        QVERIFY(!controller->start());
        hotKey->press();
        QVERIFY(!controller->isVisible()); // queued, not run inside the key handler
        QTRY_VERIFY(controller->isVisible());
        hotKey->press();
        QTRY_VERIFY(!controller->isVisible());
    }

    void refusedHotKeyLeavesTheOverlayReachable()
    {
        hotKey->failure = QStringLiteral("taken");
        QCOMPARE(controller->start(), std::optional<QString>(QStringLiteral("taken")));
        controller->toggle();
        QVERIFY(controller->isVisible());
        controller->stop();
        QVERIFY(!controller->isVisible());
    }

    void theNextShowFollowsWhatChangedWhileHidden_data()
    {
        QTest::addColumn<QList<ScreenInfo>>("before");
        QTest::addColumn<QList<ScreenInfo>>("after");
        ScreenInfo smaller = wide;
        smaller.geometry = {0, 0, 1280, 720};
        ScreenInfo sideAsMain = side;
        sideAsMain.isPrimary = true;
        QTest::newRow("same screens") << QList {wide, side} << QList {wide, side};
        QTest::newRow("screen removed") << QList {wide, side} << QList {wide};
        QTest::newRow("screen added") << QList {wide} << QList {wide, side};
        QTest::newRow("screen resized") << QList {wide, side} << QList {smaller, side};
        QTest::newRow("screens swapped") << QList {wide, side} << QList {sideAsMain};
    }

    void theNextShowFollowsWhatChangedWhileHidden()
    {
        QFETCH(QList<ScreenInfo>, before);
        QFETCH(QList<ScreenInfo>, after);
        screens->list = before;
        controller->show();
        QList<QPointer<DashboardPanel>> shown;
        for (DashboardPanel *panel : controller->panels())
            shown.append(panel);
        controller->hide();
        QVERIFY(std::none_of(shown.cbegin(), shown.cend(),
            [](const QPointer<DashboardPanel> &panel) { return panel->isVisible(); }));

        screens->set(after);
        DashboardStore &store = controller->store(after.constFirst());
        const QUuid added = store.add(DashboardWidgetKind::notes, {1920, 1080});
        controller->show();
        flushDeletes();

        QCOMPARE(controller->panels().size(), after.size());
        for (qsizetype i = 0; i < after.size(); ++i) {
            DashboardPanel *panel = controller->panels().at(i);
            QCOMPARE(panel->screenInfo(), after.at(i));
            QVERIFY(panel->isVisible());
            // Kept, not rebuilt, when its display is still there.
            const bool wasShown
                = std::any_of(before.cbegin(), before.cend(), [&](const ScreenInfo &screen) {
                      return screen.identifier == after.at(i).identifier;
                  });
            QCOMPARE(shown.contains(panel), wasShown);
        }
        for (const QPointer<DashboardPanel> &panel : std::as_const(shown))
            QVERIFY(!panel || controller->panels().contains(panel.data()));
        controller->panels().constFirst()->view()->reconcileNow();
        QVERIFY(controller->panels().constFirst()->view()->card(added));
    }

    void keptPanelsKeepTheirNotesAndStillTakeKeys()
    {
        screens->list = {wide};
        DashboardStore &store = controller->store(wide);
        const QUuid id = store.add(DashboardWidgetKind::notes, {1920, 1080});
        controller->start();
        controller->show();
        auto *notes = controller->panels().constFirst()->findChild<NotesWidget *>();
        QVERIFY(notes);
        notes->editor()->setPlainText(QStringLiteral("line\n").repeated(200));
        notes->editor()->verticalScrollBar()->setValue(37);
        controller->hide();
        controller->show();
        QCOMPARE(controller->panels().constFirst()->findChild<NotesWidget *>(), notes);
        QCOMPARE(notes->editor()->toPlainText(), QStringLiteral("line\n").repeated(200));
        QCOMPARE(notes->editor()->verticalScrollBar()->value(), 37);
        QVERIFY(store.widget(id));

        // The second show's panel hides on Esc as the first one did.
        QTest::keyClick(controller->panels().constFirst(), Qt::Key_Escape);
        QVERIFY(!controller->isVisible());
    }

    void onlyTheMainPanelKeepsItsWindowBufferWhileHidden()
    {
        controller->start();
        controller->show();
        const QList<DashboardPanel *> panels = controller->panels();
        for (DashboardPanel *panel : panels)
            QTRY_COMPARE(panel->backingStore()->size(), panel->size());
        controller->hide();
        for (DashboardPanel *panel : panels) {
            QCOMPARE(panel->backingStore()->size(),
                panel->screenInfo().isPrimary ? panel->size() : QSize(1, 1));
        }
    }

    void eachShowPaintsEveryWidgetOnce()
    {
        screens->list = {wide};
        controller->store(wide).add(DashboardWidgetKind::clock, {1920, 1080});
        struct PaintCount : QObject
        {
            QHash<QObject *, int> paints;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                paints[watched] += event->type() == QEvent::Paint;
                return false;
            }
        } count;
        for (int show = 1; show <= 2; ++show) {
            controller->show();
            DashboardPanel *panel = controller->panels().constFirst();
            const QList<QWidget *> widgets = panel->findChildren<QWidget *>();
            for (QWidget *widget : widgets)
                widget->installEventFilter(&count);
            count.paints.clear();
            // The exposed window paints first, then whatever Qt posted while showing it runs.
            QWindowSystemInterface::flushWindowSystemEvents();
            QVERIFY(QTest::qWaitForWindowExposed(panel));
            QCoreApplication::processEvents();
            auto *face = panel->findChild<FaceWidget *>();
            QVERIFY(face);
            QCOMPARE(count.paints.value(face), 1);
            QCOMPARE(std::ranges::max(count.paints), 1);
            controller->hide();
        }
    }

    void faceTimersStopWhileHiddenAndCatchUpAtShow()
    {
        QWidget window;
        auto *face = new FaceWidget(4, &window);
        int ticks = 0;
        QTimer *timer
            = face->startTimeline(std::chrono::seconds(1), [&](const QDateTime &) { ++ticks; });
        window.show();
        QVERIFY(timer->isActive());
        window.hide();
        QVERIFY(!timer->isActive());
        const int before = ticks;
        window.show();
        // Refreshed by the show itself, before any paint.
        QCOMPARE(ticks, before + 1);
        QVERIFY(timer->isActive());
    }

    void closeActionFromInsideAPanelHidesSafely()
    {
        controller->show();
        DashboardPanel *panel = controller->panels().constFirst();
        // A close button's click handler runs inside the panel it removes.
        QMetaObject::invokeMethod(panel, [this] { controller->hide(); });
        QVERIFY(!controller->isVisible());
        flushDeletes();
    }

    void storesAreKeyedByDisplayAndOnlyTheMainOneMigrates_data()
    {
        QTest::addColumn<bool>("wideIsMain");
        QTest::addRow("first screen main") << true;
        QTest::addRow("second screen main") << false;
    }

    void storesAreKeyedByDisplayAndOnlyTheMainOneMigrates()
    {
        QFETCH(bool, wideIsMain);
        const QList<DashboardWidget> legacy {widgetAt(DashboardWidgetKind::calculator, 200, 200)};
        QVERIFY(defaults->write(DashboardStore::legacyKey, *WidgetJson::encodeArrangement(legacy)));
        ScreenInfo first = wide;
        ScreenInfo second = side;
        first.isPrimary = wideIsMain;
        second.isPrimary = !wideIsMain;
        screens->list = {first, second};
        controller->show();

        const ScreenInfo &main = wideIsMain ? first : second;
        const ScreenInfo &other = wideIsMain ? second : first;
        QCOMPARE(controller->store(main).widgets().size(), 1);
        QCOMPARE(
            controller->store(main).widgets().constFirst().kind, DashboardWidgetKind::calculator);
        QCOMPARE(controller->store(other).widgets().size(), 3);
        QVERIFY(defaults->read(QStringLiteral("dashboard.widgets.display.DP-1.v1")));
        QVERIFY(defaults->read(QStringLiteral("dashboard.widgets.display.HDMI-A-1.v1")));
    }

    void screensWithoutANameShareTheStoreOfTheirModel()
    {
        const ScreenInfo a = screen(QStringLiteral("Model X"), {0, 0, 800, 600}, true);
        const ScreenInfo b = screen(QStringLiteral("Model X"), {800, 0, 800, 600}, false);
        screens->list = {a, b};
        controller->show();
        QCOMPARE(controller->panels().size(), 2);
        QCOMPARE(&controller->panels().at(0)->store(), &controller->panels().at(1)->store());
    }

    void displayIdentifiers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("identifier");
        const QString dell = QStringLiteral("DELL U2720Q");
        QTest::addRow("connector") << "DP-1" << dell << "5XG1"
                                   << "DP-1";
        QTest::addRow("no name") << "" << dell << "5XG1" << dell;
        QTest::addRow("XWayland, with EDID") << "XWAYLAND2" << dell << "5XG1" << dell + " 5XG1";
        QTest::addRow("XWayland, model only") << "XWAYLAND0" << dell << "" << dell;
        QTest::addRow("XWayland, no EDID") << "XWAYLAND7"
                                           << ""
                                           << ""
                                           << "XWayland 1920x1080+1280+0";
        QTest::addRow("not XWayland's pattern") << "XWAYLAND" << dell << ""
                                                << "XWAYLAND";
    }

    // XWayland renames an output that comes back; the arrangement must not follow the name.
    void displayIdentifiers()
    {
        QFETCH(QString, name);
        QFETCH(QString, model);
        QFETCH(QString, serial);
        QFETCH(QString, identifier);
        QCOMPARE(
            QtScreens::displayIdentifier(name, model, serial, {1280, 0, 1920, 1080}), identifier);
    }

    void cardsAreClampedIntoTheScreenBeforeShowing()
    {
        const DashboardWidget far = widgetAt(DashboardWidgetKind::clock, 1500, 950);
        QVERIFY(defaults->write(
            DashboardStore::keyForDisplay(side.identifier), *WidgetJson::encodeArrangement({far})));
        screens->list = {side};
        controller->show();
        const DashboardWidget &shown = controller->store(side).widgets().constFirst();
        const QSizeF size = WidgetKinds::cardSize(far.kind);
        QCOMPARE(shown.x, 1440 - size.width() - 16);
        QCOMPARE(shown.y, 900 - size.height() - 24);
        const auto stored = WidgetJson::decodeArrangement(
            *defaults->read(DashboardStore::keyForDisplay(side.identifier)));
        QVERIFY(stored);
        QCOMPARE(stored->constFirst().x, shown.x);
    }

    void showingAnArrangementThatFitsWritesNothing()
    {
        controller->show(); // the first show creates and saves the default arrangements
        controller->hide();
        defaults->resetCounts();
        controller->show();
        QCOMPARE(defaults->totalWrites(), 0);
    }

    void cardsAtTheEdgeStayPut_data()
    {
        QTest::addColumn<QPointF>("position");
        const QSizeF card = WidgetKinds::cardSize(DashboardWidgetKind::clock);
        QTest::addRow("top left corner") << QPointF(16, 70);
        QTest::addRow("bottom right corner")
            << QPointF(1440 - card.width() - 16, 900 - card.height() - 24);
    }

    void cardsAtTheEdgeStayPut()
    {
        QFETCH(QPointF, position);
        QVERIFY(defaults->write(DashboardStore::keyForDisplay(side.identifier),
            *WidgetJson::encodeArrangement(
                {widgetAt(DashboardWidgetKind::clock, position.x(), position.y())})));
        screens->list = {side};
        controller->store(side);
        defaults->resetCounts();
        controller->show();
        QCOMPARE(defaults->totalWrites(), 0);
        const DashboardWidget &shown = controller->store(side).widgets().constFirst();
        QCOMPARE(QPointF(shown.x, shown.y), position);
    }

    void aScreenThatGoesAwayLosesItsPanel()
    {
        controller->show();
        QPointer<DashboardPanel> sidePanel = controller->panels().at(1);
        screens->set({wide});
        QCOMPARE(controller->panels().size(), 1);
        QCOMPARE(controller->panels().constFirst()->screenInfo(), wide);
        flushDeletes();
        QVERIFY(!sidePanel);
        QVERIFY(controller->isVisible());
    }

    void aScreenThatComesGetsAPanel()
    {
        screens->list = {wide};
        controller->show();
        DashboardPanel *widePanel = controller->panels().constFirst();
        visibleAtCapture.clear();
        screens->set({wide, side});
        QCOMPARE(controller->panels().size(), 2);
        QCOMPARE(controller->panels().at(0), widePanel);
        QCOMPARE(controller->panels().at(1)->screenInfo(), side);
        QVERIFY(controller->panels().at(1)->isVisible());
        QCOMPARE(visibleAtCapture, QList<int> {1}); // only the new screen is grabbed
    }

    void aResizedScreenGetsAFreshPanel()
    {
        screens->list = {wide};
        controller->show();
        ScreenInfo smaller = wide;
        smaller.geometry = {0, 0, 1280, 720};
        screens->set({smaller});
        QCOMPARE(controller->panels().size(), 1);
        QCOMPARE(controller->panels().constFirst()->screenInfo().geometry, smaller.geometry);
    }

    void screenChangesWhileHiddenBuildNothing()
    {
        screens->set({wide});
        QVERIFY(controller->panels().isEmpty());
        QVERIFY(!log.contains(QStringLiteral("capture DP-1")));
    }

    void heldKeyCountsOnce_data()
    {
        QTest::addColumn<QString>("events"); // p<time> press, r<time> release
        QTest::addColumn<int>("toggles");
        QTest::addRow("single tap") << "p10 r20" << 1;
        QTest::addRow("two taps") << "p10 r20 p30 r40" << 2;
        QTest::addRow("auto-repeat pairs") << "p10 r50 p50 r90 p90 r120" << 1;
        QTest::addRow("detectable auto-repeat") << "p10 p50 p90 r120" << 1;
        QTest::addRow("tap after a held key") << "p10 r50 p50 r90 p200 r210" << 2;
        QTest::addRow("first press at time zero") << "p0 r5" << 1;
    }

    void heldKeyCountsOnce()
    {
        QFETCH(QString, events);
        QFETCH(int, toggles);
        KeyRepeatFilter filter;
        int counted = 0;
        const QStringList steps = events.split(QLatin1Char(' '));
        for (const QString &step : steps) {
            const uint32_t time = step.mid(1).toUInt();
            if (step.startsWith(QLatin1Char('p')))
                counted += filter.press(time);
            else
                filter.release(time);
        }
        QCOMPARE(counted, toggles);
    }
};

QTEST_MAIN(TestOverlay)
#include "tst_overlay.moc"
