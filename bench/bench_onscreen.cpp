// The show as the user sees it, measured from outside the process: F12 is sent through
// XTEST and one pixel of each screen is read back from the server until every screen
// shows the overlay's final colour there. The same run times a warm window of our own
// (made once, mapped and unmapped on F12) as the floor the machine allows, and prints the
// ratio. Then the footprint over many shows, the command line's round trip, and how fast
// the panels follow the screens when the layout changes while shown.
//
//   bench_onscreen                 the whole run on private Xvfb desktops
//   bench_onscreen --reference     the reference window (run by the benchmark itself)

#include "benchdesktop.h"
#include "x11hotkey.h"

#include <QApplication>
#include <QLocalSocket>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

using namespace bench;

namespace {

constexpr int shows = 30;

double nowMs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Our own warm window: one per screen, made at start, mapped and unmapped on F12.
int runReference()
{
    int argc = 1;
    char name[] = "bench_onscreen";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    struct Solid : QWidget
    {
        Solid()
            : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
        {
            setAttribute(Qt::WA_OpaquePaintEvent);
        }
        void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), 0x202830); }
    };
    std::vector<std::unique_ptr<Solid>> windows;
    const auto screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        windows.push_back(std::make_unique<Solid>());
        windows.back()->setGeometry(screen->geometry());
        windows.back()->winId();
    }
    X11HotKey hotKey;
    bool shown = false;
    QObject::connect(
        &hotKey, &GlobalHotKey::activated, &app,
        [&] {
            shown = !shown;
            for (auto &window : windows)
                shown ? window->showFullScreen() : window->hide();
        },
        Qt::QueuedConnection);
    if (const auto failure = hotKey.grab()) {
        std::fprintf(stderr, "bench_onscreen: %s\n", qPrintable(*failure));
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}

// Our end of the display: the key sent through XTEST and the pixels read back.
class Probe
{
public:
    explicit Probe(const QString &display)
    {
        m_c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const xcb_setup_t *setup = xcb_get_setup(m_c);
        auto *map = xcb_get_keyboard_mapping_reply(m_c,
            xcb_get_keyboard_mapping(
                m_c, setup->min_keycode, setup->max_keycode - setup->min_keycode + 1),
            nullptr);
        if (map) {
            const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map);
            const int count = xcb_get_keyboard_mapping_keysyms_length(map);
            for (int i = 0; i < count && !m_f12; ++i) {
                if (syms[i] == 0xffc9) // XK_F12
                    m_f12 = xcb_keycode_t(setup->min_keycode + i / map->keysyms_per_keycode);
            }
            std::free(map);
        }
    }
    ~Probe() { xcb_disconnect(m_c); }

    // Fills the root with one colour, so any window over it shows in the probes.
    void paintDesktop(uint32_t colour)
    {
        xcb_change_window_attributes(m_c, m_root, XCB_CW_BACK_PIXEL, &colour);
        xcb_clear_area(m_c, 0, m_root, 0, 0, 0, 0);
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }

    void pressF12()
    {
        xcb_test_fake_input(m_c, XCB_KEY_PRESS, m_f12, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_c, XCB_KEY_RELEASE, m_f12, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }

    uint32_t pixel(QPoint at)
    {
        auto *reply = xcb_get_image_reply(m_c,
            xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(at.x()), int16_t(at.y()),
                1, 1, ~0u),
            nullptr);
        uint32_t value = 0;
        if (reply && xcb_get_image_data_length(reply) >= 4)
            std::memcpy(&value, xcb_get_image_data(reply), 4);
        std::free(reply);
        return value & 0xffffff;
    }

    // Milliseconds from now until every point shows its colour, or -1 after `limitMs`.
    double until(const QList<QPoint> &points, const QList<uint32_t> &colours, double since,
        double limitMs = 3000)
    {
        for (;;) {
            bool all = true;
            for (qsizetype i = 0; i < points.size() && all; ++i)
                all = pixel(points.at(i)) == colours.at(i);
            const double now = nowMs();
            if (all)
                return now - since;
            if (now - since > limitMs)
                return -1;
            ::usleep(250);
        }
    }

    bool hasKey() const { return m_f12 != 0; }

    // The overlay's panels on screen (viewable screen-sized windows of class corvina),
    // left to right.
    QList<QRect> panels()
    {
        QList<QRect> found;
        collectPanels(m_root, 0, found);
        std::sort(found.begin(), found.end(),
            [](const QRect &a, const QRect &b) { return a.x() < b.x(); });
        return found;
    }

private:
    // Window managers put each panel in a frame or two of their own.
    void collectPanels(xcb_window_t parent, int depth, QList<QRect> &found)
    {
        auto *tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, parent), nullptr);
        if (!tree)
            return;
        const xcb_window_t *children = xcb_query_tree_children(tree);
        const int count = xcb_query_tree_children_length(tree);
        for (int i = 0; i < count; ++i) {
            const xcb_window_t window = children[i];
            auto *attributes = xcb_get_window_attributes_reply(
                m_c, xcb_get_window_attributes(m_c, window), nullptr);
            const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            if (!viewable)
                continue;
            auto *wmClass = xcb_get_property_reply(m_c,
                xcb_get_property(m_c, false, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                nullptr);
            const bool ours = wmClass
                && QByteArray(static_cast<const char *>(xcb_get_property_value(wmClass)),
                    xcb_get_property_value_length(wmClass))
                       .contains("corvina");
            std::free(wmClass);
            if (!ours) {
                if (depth < 2)
                    collectPanels(window, depth + 1, found);
                continue;
            }
            auto *geometry = xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, window), nullptr);
            auto *origin = xcb_translate_coordinates_reply(
                m_c, xcb_translate_coordinates(m_c, window, m_root, 0, 0), nullptr);
            if (geometry && origin && geometry->width >= 640)
                found.append(
                    QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height));
            std::free(geometry);
            std::free(origin);
        }
        std::free(tree);
    }

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_f12 = 0;
};

constexpr uint32_t desktopColour = 0x4a7fb5;

// A point of each screen that no card covers: near the bottom right corner.
QList<QPoint> probePoints(int screens)
{
    QList<QPoint> points;
    for (int i = 0; i < screens; ++i)
        points.append(QPoint(i * 1920 + 1910, 1070));
    return points;
}

struct Timing
{
    QList<double> show, hide;
    QList<uint32_t> overlay; // what each probe shows while the overlay is up
};

// F12 to every probe showing the overlay, then F12 to the desktop again, `count` times.
// The overlay's colours are learnt from a first show that is not counted.
std::optional<Timing> time(
    Probe &probe, int screens, int count, const std::function<void()> &afterFirst = {})
{
    const QList<QPoint> points = probePoints(screens);
    const QList<uint32_t> desktop(points.size(), desktopColour);
    probe.pressF12();
    QList<uint32_t> overlay;
    const double pressed = nowMs();
    for (const QPoint &point : points) {
        while (probe.pixel(point) == desktopColour && nowMs() - pressed < 5000)
            ::usleep(1000);
    }
    wait(800); // until the first show has painted everything
    for (const QPoint &point : points)
        overlay.append(probe.pixel(point));
    probe.pressF12();
    if (probe.until(points, desktop, nowMs()) < 0)
        return std::nullopt;
    if (afterFirst)
        afterFirst();
    Timing timing;
    timing.overlay = overlay;
    for (int i = 0; i < count; ++i) {
        wait(250);
        double at = nowMs();
        probe.pressF12();
        const double shown = probe.until(points, overlay, at);
        if (shown < 0)
            return std::nullopt;
        wait(250);
        at = nowMs();
        probe.pressF12();
        const double hidden = probe.until(points, desktop, at);
        if (hidden < 0)
            return std::nullopt;
        timing.show.append(shown);
        timing.hide.append(hidden);
    }
    return timing;
}

void print(const char *what, const Timing &timing)
{
    std::printf("%-34s %8.1f %8.1f %8.1f\n", what, percentile(timing.show, 0.5),
        percentile(timing.show, 0.95), percentile(timing.hide, 0.5));
    std::fflush(stdout);
}

// Panels following the screens while shown: a seeded series of layout changes (1 to 3
// monitors of mixed sizes, names and main one), each timed from the server having the new
// layout to exactly one panel on each monitor and none elsewhere.
QList<double> followLayouts(Desktop &desktop, Probe &probe, int width)
{
    QRandomGenerator random(20261209);
    const QStringList names {QStringLiteral("DUMMY-1"), QStringLiteral("DUMMY-2"),
        QStringLiteral("DUMMY-3"), QStringLiteral("HDMI-1")};
    const QList<QSize> sizes {{1920, 1080}, {1280, 1024}, {1024, 768}, {800, 600}};
    QList<double> times;
    for (int change = 0; change < 40; ++change) {
        QStringList pool = names;
        QList<QRect> expected;
        QStringList words;
        const int count = 1 + int(random.bounded(3));
        for (int x = 0; expected.size() < count;) {
            QSize size = sizes.at(random.bounded(sizes.size()));
            if (x + size.width() > width)
                size = sizes.constLast();
            if (x + size.width() > width)
                break;
            expected.append(QRect(QPoint(x, 0), size));
            words.append(QStringLiteral("%1:%2x%3+%4+0")
                             .arg(pool.takeAt(random.bounded(pool.size())))
                             .arg(size.width())
                             .arg(size.height())
                             .arg(x));
            x += size.width();
        }
        words.move(random.bounded(words.size()), 0);
        desktop.monitors.readAll();
        desktop.monitors.write(words.join(QLatin1Char(' ')).toLatin1() + '\n');
        if (!desktop.monitors.waitForReadyRead(5000))
            return {};
        const double since = nowMs();
        while (probe.panels() != expected) {
            if (nowMs() - since > 5000) {
                std::fprintf(stderr, "bench_onscreen: panels did not follow %s\n",
                    qPrintable(words.join(QLatin1Char(' '))));
                return {};
            }
            ::usleep(500);
        }
        times.append(nowMs() - since);
        wait(100);
    }
    return times;
}

bool startAndWait(QProcess &process, const QString &program, const QStringList &arguments,
    const QProcessEnvironment &env, const std::function<bool()> &ready)
{
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForStarted() && waitUntil(ready, 10000);
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished();
}

// The command line's round trip on the socket: connect, one word, the answer.
double roundTrip(const QString &socket, const QByteArray &word)
{
    const double start = nowMs();
    QLocalSocket client;
    client.connectToServer(socket);
    if (!client.waitForConnected(3000))
        return -1;
    client.write(word + '\n');
    while (!client.canReadLine()) {
        if (!client.waitForReadyRead(3000))
            return -1;
    }
    return nowMs() - start;
}

int measure(int screens, bool footprint)
{
    Desktop desktop;
    if (!desktop.start(qEnvironmentVariableIntValue("CORVINA_BENCH_DISPLAY") > 0
                ? qEnvironmentVariableIntValue("CORVINA_BENCH_DISPLAY")
                : 93,
            screens)) {
        std::fprintf(stderr, "bench_onscreen: cannot start Xvfb, monitors and openbox\n");
        return 1;
    }
    Probe probe(desktop.display);
    if (!probe.hasKey())
        return 1;
    probe.paintDesktop(desktopColour);

    QTemporaryDir home;
    const QProcessEnvironment env = desktop.environment(home.path());
    const QString socket = home.path() + QStringLiteral("/corvina/corvina.socket");

    QProcess reference;
    if (!startAndWait(reference, QCoreApplication::applicationFilePath(),
            {QStringLiteral("--reference")}, env,
            [&] { return reference.canReadLine() || reference.state() != QProcess::Running; })) {
        std::fprintf(stderr, "bench_onscreen: the reference window did not start\n");
        return 1;
    }
    const std::optional<Timing> floor = time(probe, screens, shows);
    stop(reference);
    if (!floor) {
        std::fprintf(stderr, "bench_onscreen: the reference window did not show\n");
        return 1;
    }

    writeFifteenCards(home.path() + QStringLiteral("/config"), {QStringLiteral("DUMMY-1")});
    QProcess corvina;
    // CORVINA_BENCH_BINARY times another build, e.g. the one before a change, in this run.
    const QString binary
        = qEnvironmentVariable("CORVINA_BENCH_BINARY", QStringLiteral(CORVINA_BINARY));
    if (!startAndWait(corvina, binary, {}, env, [&] { return roundTrip(socket, "hide") >= 0; })) {
        std::fprintf(stderr, "bench_onscreen: corvina did not start\n");
        return 1;
    }
    wait(500);
    const qint64 pid = corvina.processId();
    double firstRss = 0;
    const std::optional<Timing> overlay = time(probe, screens, shows, [&] {
        wait(1000);
        firstRss = residentMiB(pid);
    });
    if (!overlay) {
        std::fprintf(stderr, "bench_onscreen: the overlay did not show\n");
        stop(corvina);
        return 1;
    }
    const QString what = screens == 1 ? QStringLiteral("corvina, 1 screen, 15 cards")
                                      : QStringLiteral("corvina, 2 screens, 15 + 3 cards");
    print(screens == 1 ? "reference window, 1 screen" : "reference window, 2 screens", *floor);
    print(qPrintable(what), *overlay);
    std::printf("%-34s %8.1f %8.1f\n", "ratio to the reference",
        percentile(overlay->show, 0.5) / percentile(floor->show, 0.5),
        percentile(overlay->show, 0.95) / percentile(floor->show, 0.95));

    if (footprint) {
        // The client's round trip while the instance shows and hides the overlay.
        QList<double> trips;
        const QList<QPoint> points = probePoints(screens);
        for (int i = 0; i < 20; ++i) {
            trips.append(roundTrip(socket, "toggle"));
            wait(300);
        }
        roundTrip(socket, "hide");
        std::printf("command line round trip (toggle): median %.2f ms, max %.2f ms\n",
            percentile(trips, 0.5), percentile(trips, 1.0));

        // Resident memory hidden after 1, 20 (or so: the shows above), 100 and 1,000 shows.
        const QList<uint32_t> desktopColours(points.size(), desktopColour);
        wait(1000);
        QList<double> rss {firstRss, residentMiB(pid)};
        int done = 1 + shows + 10;
        for (int target : {100, 1000}) {
            for (; done < target; ++done) {
                probe.pressF12();
                if (probe.until(points, overlay->overlay, nowMs()) < 0)
                    break;
                probe.pressF12();
                if (probe.until(points, desktopColours, nowMs()) < 0)
                    break;
            }
            wait(1000);
            rss.append(residentMiB(pid));
        }
        std::printf("resident memory hidden after 1 / %d / 100 / 1,000 shows: %.1f / %.1f / "
                    "%.1f / %.1f MiB\n",
            1 + shows + 10, rss.at(0), rss.at(1), rss.at(2), rss.at(3));

        roundTrip(socket, "show");
        wait(1000);
        const QList<double> follows = followLayouts(desktop, probe, 1920 * screens);
        roundTrip(socket, "hide");
        if (follows.isEmpty()) {
            stop(corvina);
            return 1;
        }
        std::printf("panels following %lld layout changes: median %.1f ms, p95 %.1f ms, "
                    "longest %.1f ms\n",
            follows.size(), percentile(follows, 0.5), percentile(follows, 0.95),
            percentile(follows, 1.0));
    }
    stop(corvina);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--reference") == 0)
        return runReference();
    QCoreApplication app(argc, argv);
    std::printf("F12 to pixels on every screen, measured outside the process, %d shows\n", shows);
    std::printf("%-34s %8s %8s %8s\n", "", "median", "p95", "hide");
    // CORVINA_BENCH_SHOWS_ONLY=1 leaves out the footprint and the layout changes, for
    // quick alternating runs of two builds.
    const bool footprint = qEnvironmentVariableIsEmpty("CORVINA_BENCH_SHOWS_ONLY");
    for (int screens : {1, 2}) {
        if (const int failed = measure(screens, footprint && screens == 2))
            return failed;
    }
    return 0;
}
