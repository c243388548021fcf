// The X11 platform services against a private X server.

#include "x11hotkey.h"
#include "x11screengrab.h"
#include "x11windowhints.h"
#include "xvfbdisplay.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_connection_t *qtConnection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_window_t root(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The property's type, or none when the window does not have it.
xcb_atom_t propertyType(xcb_connection_t *c, xcb_window_t window, const char *name)
{
    auto *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(c, name), XCB_ATOM_ANY, 0, 64), nullptr);
    const xcb_atom_t type = reply ? reply->type : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return type;
}

QList<xcb_atom_t> atomList(xcb_connection_t *c, xcb_window_t window, const char *name)
{
    auto *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(c, name), XCB_ATOM_ATOM, 0, 64), nullptr);
    QList<xcb_atom_t> atoms;
    if (reply) {
        auto *values = static_cast<xcb_atom_t *>(xcb_get_property_value(reply));
        atoms = QList<xcb_atom_t>(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return atoms;
}

// A window of one colour on screen, for a grab to read back.
bool showFlat(QWidget &window, const QRect &frame, const QString &colour)
{
    window.setGeometry(frame);
    window.setStyleSheet(QStringLiteral("background: ") + colour);
    window.show();
    const bool exposed = QTest::qWaitForWindowExposed(&window);
    QTest::qWait(50);
    return exposed;
}

} // namespace

class TestX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!qtConnection())
            QSKIP("needs Xvfb");
    }

    void panelsSkipTaskbarsAndPagers()
    {
        xcb_connection_t *c = qtConnection();
        QWidget panel;
        X11WindowHints().preparePanel(&panel, false);
        const auto states = atomList(c, xcb_window_t(panel.winId()), "_NET_WM_STATE");
        QVERIFY(states.contains(atom(c, "_NET_WM_STATE_SKIP_TASKBAR")));
        QVERIFY(states.contains(atom(c, "_NET_WM_STATE_SKIP_PAGER")));
    }

    void hintsKeptFromOneShowServeTheNext()
    {
        xcb_connection_t *c = qtConnection();
        X11WindowHints hints;
        for (int show = 0; show < 2; ++show) {
            QWidget panel;
            hints.preparePanel(&panel, false);
            const auto states = atomList(c, xcb_window_t(panel.winId()), "_NET_WM_STATE");
            QVERIFY(states.contains(atom(c, "_NET_WM_STATE_SKIP_TASKBAR")));
            QVERIFY(states.contains(atom(c, "_NET_WM_STATE_SKIP_PAGER")));
        }
    }

    void screenGrabMatchesTheToolkitGrab()
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        // Something other than a flat background to read back.
        QWidget window;
        QVERIFY(showFlat(window, QRect(10, 20, 200, 100), QStringLiteral("rgb(200, 40, 90)")));
        const QImage grabbed = grabX11Screen(screen);
        QCOMPARE(grabbed.size(), screen->geometry().size());
        QCOMPARE(grabbed, screen->grabWindow(0).toImage().convertToFormat(grabbed.format()));
    }

    void screensReadAtOnceComeBackInTheirOrder()
    {
        // Two made-up screens, one of them mostly covered by a red window.
        QWidget window;
        QVERIFY(showFlat(window, QRect(0, 0, 160, 160), QStringLiteral("rgb(220, 20, 20)")));
        const QList<ScreenInfo> screens {{QStringLiteral("red"), QRect(0, 0, 160, 160), false, {}},
            {QStringLiteral("desktop"), QRect(160, 0, 160, 160), false, {}}};
        X11ScreenCapture capture;
        int waited = 0;
        const QList<QImage> pictures = capture.grabReducedAll(screens, 8, [&] { ++waited; });
        QCOMPARE(waited, 1);
        QCOMPARE(pictures.size(), 2);
        for (qsizetype i = 0; i < screens.size(); ++i)
            QCOMPARE(pictures.at(i), capture.grabReduced(screens.at(i), 8));
        QCOMPARE(QColor(pictures.at(0).pixel(10, 10)), QColor(220, 20, 20));
        QVERIFY(pictures.at(0) != pictures.at(1));
    }

    void blurBehindIsAskedOnlyOfKWinForTranslucentPanels_data()
    {
        QTest::addColumn<bool>("kwin");
        QTest::addColumn<bool>("translucent");
        QTest::addColumn<bool>("asked");
        QTest::addRow("KWin, tint") << true << true << true;
        QTest::addRow("KWin, captured backdrop") << true << false << false;
        QTest::addRow("other window manager, tint") << false << true << false;
    }

    void blurBehindIsAskedOnlyOfKWinForTranslucentPanels()
    {
        QFETCH(bool, kwin);
        QFETCH(bool, translucent);
        QFETCH(bool, asked);
        xcb_connection_t *c = qtConnection();
        const xcb_atom_t blur = atom(c, "_KDE_NET_WM_BLUR_BEHIND_REGION");
        if (kwin) {
            const uint32_t announce = 0;
            xcb_change_property(
                c, XCB_PROP_MODE_REPLACE, root(c), blur, XCB_ATOM_CARDINAL, 32, 1, &announce);
        } else {
            xcb_delete_property(c, root(c), blur);
        }
        QWidget panel;
        X11WindowHints().preparePanel(&panel, translucent);
        const xcb_atom_t type
            = propertyType(c, xcb_window_t(panel.winId()), "_KDE_NET_WM_BLUR_BEHIND_REGION");
        QCOMPARE(type == XCB_ATOM_CARDINAL, asked);
        xcb_delete_property(c, root(c), blur);
        xcb_flush(c);
    }

    // Full screen covers docks only where the window manager stacks it above them and sizes
    // it to the screen; elsewhere a panel is a notification of the screen's size.
    void panelsCoverTheirScreenAsTheWindowManagerAllows_data()
    {
        QTest::addColumn<QByteArray>("windowManager");
        QTest::addColumn<bool>("wholeOutput");
        QTest::addColumn<bool>("fullScreen");
        QTest::addRow("openbox") << QByteArray("Openbox") << true << true;
        QTest::addRow("xfwm4") << QByteArray("Xfwm4") << true << false;
        QTest::addRow("KWin, a whole output") << QByteArray("KWin") << true << true;
        QTest::addRow("KWin, part of an output") << QByteArray("KWin") << false << false;
    }

    void panelsCoverTheirScreenAsTheWindowManagerAllows()
    {
        QFETCH(QByteArray, windowManager);
        QFETCH(bool, wholeOutput);
        QFETCH(bool, fullScreen);
        xcb_connection_t *c = qtConnection();
        // The window a window manager names itself on.
        const xcb_window_t check = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, check, root(c), 0, 0, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, check, atom(c, "_NET_WM_NAME"),
            atom(c, "UTF8_STRING"), 8, uint32_t(windowManager.size()), windowManager.constData());
        // The root's notice of the new window manager has been handled before the show.
        struct Notice : QAbstractNativeEventFilter
        {
            xcb_atom_t property = XCB_NONE;
            bool seen = false;
            bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
            {
                const auto *event = static_cast<const xcb_property_notify_event_t *>(message);
                seen = seen
                    || ((event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY
                        && event->atom == property);
                return false;
            }
        } notice;
        notice.property = atom(c, "_NET_SUPPORTING_WM_CHECK");
        QCoreApplication::instance()->installNativeEventFilter(&notice);
        xcb_change_property(
            c, XCB_PROP_MODE_REPLACE, root(c), notice.property, XCB_ATOM_WINDOW, 32, 1, &check);
        xcb_flush(c);
        QTRY_VERIFY(notice.seen);
        QCoreApplication::instance()->removeNativeEventFilter(&notice);

        QRect screen = QGuiApplication::primaryScreen()->geometry();
        if (!wholeOutput)
            screen.setWidth(screen.width() / 2);
        QWidget panel(nullptr, Qt::FramelessWindowHint);
        // One for all rows: each window manager takes over from the last between shows.
        static X11WindowHints hints;
        hints.preparePanel(&panel, false);
        hints.showPanel(&panel, screen);
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.isFullScreen(), fullScreen);
        // With no window manager here, only a plain window is sized by us.
        if (!fullScreen)
            QCOMPARE(panel.geometry(), screen);
        const auto types = atomList(c, xcb_window_t(panel.winId()), "_NET_WM_WINDOW_TYPE");
        QCOMPARE(types.value(0) == atom(c, "_NET_WM_WINDOW_TYPE_NOTIFICATION"), !fullScreen);

        xcb_delete_property(c, root(c), atom(c, "_NET_SUPPORTING_WM_CHECK"));
        xcb_destroy_window(c, check);
        xcb_flush(c);
    }

    void aHotKeyHeldByAnotherProgramIsAClearFailure()
    {
        // Another client takes F12 first.
        xcb_connection_t *other = xcb_connect(qgetenv("DISPLAY").constData(), nullptr);
        QVERIFY(!xcb_connection_has_error(other));
        X11HotKey probe;
        QCOMPARE(probe.grab(), std::nullopt);
        probe.release();
        // The ungrab went out on Qt's connection; make sure the server has done it.
        std::free(xcb_get_input_focus_reply(
            qtConnection(), xcb_get_input_focus(qtConnection()), nullptr));
        const xcb_setup_t *setup = xcb_get_setup(other);
        auto *mapping = xcb_get_keyboard_mapping_reply(other,
            xcb_get_keyboard_mapping(
                other, setup->min_keycode, setup->max_keycode - setup->min_keycode + 1),
            nullptr);
        QVERIFY(mapping);
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(mapping);
        xcb_keycode_t f12 = 0;
        for (int i = 0; i < xcb_get_keyboard_mapping_keysyms_length(mapping) && !f12; ++i) {
            if (syms[i] == 0xffc9)
                f12 = xcb_keycode_t(setup->min_keycode + i / mapping->keysyms_per_keycode);
        }
        std::free(mapping);
        QVERIFY(f12);
        QVERIFY(!xcb_request_check(other,
            xcb_grab_key_checked(
                other, 0, root(other), 0, f12, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));

        X11HotKey hotKey;
        const std::optional<QString> failure = hotKey.grab();
        QVERIFY(failure);
        QVERIFY2(failure->contains(QLatin1String("taken")), qPrintable(*failure));
        xcb_disconnect(other);

        // Once the other program lets go, the key can be had.
        QTRY_COMPARE(hotKey.grab(), std::nullopt);
    }
};

CORVINA_XVFB_TEST_MAIN(TestX11)

#include "tst_x11.moc"
