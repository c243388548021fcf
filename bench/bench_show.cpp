// Show latency and footprint of the overlay on a private Xvfb with openbox.
//
// Latency: from the F12 key event reaching the process to the moment every screen's panel
// has painted and the X server has taken the pixels, over 1 and 2 screens of 1920x1080 and
// the default or a 15-card arrangement. Footprint: resident memory of the real binary
// hidden and shown, and its wakeups per second while hidden (context switches of all its
// threads), which must be zero.

#include "benchdesktop.h"
#include "dashboardcontroller.h"
#include "dashboardpanel.h"
#include "dashboardstore.h"
#include "dashboardwidget.h"
#include "desktopplatform.h"
#include "filedefaults.h"
#include "linkopener.h"
#include "pasteboard.h"
#include "widgetjson.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdio>
#include <xcb/xcb.h>

using namespace bench;

namespace {

constexpr int iterations = 30;

// Moments of one show, in ns since the child started.
struct Moments
{
    qint64 pressed = 0, mapping = 0, done = 0;
    QList<qint64> grabStart, grabEnd, firstPaint;
};

// The platform's capture, timed.
class TimedCapture final : public ScreenCapture
{
public:
    TimedCapture(ScreenCapture *inner, const QElapsedTimer &clock, Moments &moments)
        : m_inner(inner)
        , m_clock(clock)
        , m_moments(moments)
    { }
    QImage grab(const ScreenInfo &screen) override
    {
        m_moments.grabStart.append(m_clock.nsecsElapsed());
        QImage picture = m_inner->grab(screen);
        m_moments.grabEnd.append(m_clock.nsecsElapsed());
        return picture;
    }
    QImage grabReduced(const ScreenInfo &screen, int divisor) override
    {
        m_moments.grabStart.append(m_clock.nsecsElapsed());
        QImage picture = m_inner->grabReduced(screen, divisor);
        m_moments.grabEnd.append(m_clock.nsecsElapsed());
        return picture;
    }
    QList<QImage> grabReducedAll(const QList<ScreenInfo> &screens, int divisor,
        const std::function<void()> &meanwhile) override
    {
        m_moments.grabStart.append(m_clock.nsecsElapsed());
        QList<QImage> pictures = m_inner->grabReducedAll(screens, divisor, meanwhile);
        m_moments.grabEnd.append(m_clock.nsecsElapsed());
        return pictures;
    }

private:
    ScreenCapture *m_inner;
    const QElapsedTimer &m_clock;
    Moments &m_moments;
};

// The platform's window hints, noting when the first panel is prepared for mapping. Every
// hint is passed on, so the shows take the platform's own path.
class TimedHints final : public WindowHints
{
public:
    TimedHints(WindowHints *inner, const QElapsedTimer &clock, Moments &moments)
        : m_inner(inner)
        , m_clock(clock)
        , m_moments(moments)
    { }
    void preparePanel(QWidget *panel, bool translucent) override
    {
        if (!m_moments.mapping)
            m_moments.mapping = m_clock.nsecsElapsed();
        m_inner->preparePanel(panel, translucent);
    }
    void showPanel(QWidget *panel, const QRect &screen) override
    {
        m_inner->showPanel(panel, screen);
    }
    bool paintsBeforeExposed() const override { return m_inner->paintsBeforeExposed(); }
    bool checksPlacement() const override { return m_inner->checksPlacement(); }
    std::optional<QRect> placedGeometry(QWidget *panel) override
    {
        return m_inner->placedGeometry(panel);
    }
    void placePanel(QWidget *panel, const QRect &screen) override
    {
        m_inner->placePanel(panel, screen);
    }

private:
    WindowHints *m_inner;
    const QElapsedTimer &m_clock;
    Moments &m_moments;
};

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// Median of each phase over the shows, on stderr: where the time goes. Where panels paint
// while the window manager maps them, the first paint comes before show() returns.
void printPhases(const QList<Moments> &shows)
{
    QList<double> toggle, grab, blur, map, paint;
    for (const Moments &m : shows) {
        if (m.grabStart.isEmpty() || m.firstPaint.isEmpty() || !m.mapping)
            continue;
        qint64 grabbing = 0;
        for (qsizetype i = 0; i < m.grabStart.size(); ++i)
            grabbing += m.grabEnd.at(i) - m.grabStart.at(i);
        toggle.append(ms(m.grabStart.first() - m.pressed));
        grab.append(ms(grabbing));
        blur.append(ms(m.mapping - m.grabStart.first() - grabbing));
        map.append(ms(m.firstPaint.first() - m.mapping));
        paint.append(ms(m.done - m.firstPaint.first()));
    }
    std::fprintf(stderr,
        "  phases (median ms): key to show() %.1f, grab %.1f, match %.1f, map and blur to the "
        "first paint %.1f, paint and flush %.1f\n",
        percentile(toggle, 0.5), percentile(grab, 0.5), percentile(blur, 0.5), percentile(map, 0.5),
        percentile(paint, 0.5));
}

// Child: one QApplication on the display in $DISPLAY; prints the latencies in ms.
int measureLatency()
{
    int argc = 1;
    char name[] = "bench_show";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    FileDefaults defaults(FileDefaults::standardDirectory());
    DesktopPlatform platform = DesktopPlatform::create();
    SystemPasteboard pasteboard;
    DesktopLinkOpener linkOpener;
    QElapsedTimer clock;
    clock.start();
    Moments moments;
    QList<Moments> shows;
    TimedCapture capture(platform.screenCapture.get(), clock, moments);
    TimedHints hints(platform.windowHints.get(), clock, moments);
    DashboardController controller(defaults,
        {platform.screens.get(), platform.presentation.get(), platform.hotKey.get(), &hints,
            &capture},
        {&pasteboard, &linkOpener});
    if (const auto failure = controller.start()) {
        std::fprintf(stderr, "bench_show: %s\n", qPrintable(*failure));
        return 1;
    }
    auto *x11 = app.nativeInterface<QNativeInterface::QX11Application>();

    qint64 pressedAt = 0;
    qint64 paintedAt = 0;
    QSet<QWidget *> painted;
    bool finishing = false;
    QObject::connect(platform.hotKey.get(), &GlobalHotKey::activated, &app, [&] {
        pressedAt = clock.nsecsElapsed();
        moments = Moments();
        moments.pressed = pressedAt;
        painted.clear();
        finishing = false;
    });

    struct PaintWatch : QObject
    {
        std::function<void(QWidget *)> onPaint;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && watched->isWidgetType())
                onPaint(static_cast<QWidget *>(watched)->window());
            return false;
        }
    } watch;
    watch.onPaint = [&](QWidget *window) {
        if (!qobject_cast<DashboardPanel *>(window) || finishing)
            return;
        if (!painted.contains(window))
            moments.firstPaint.append(clock.nsecsElapsed());
        painted.insert(window);
        if (painted.size() < controller.panels().size())
            return;
        finishing = true;
        // Runs once this paint pass has flushed; the round trip waits for the server.
        QMetaObject::invokeMethod(
            &app,
            [&] {
                xcb_connection_t *c = x11->connection();
                std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
                paintedAt = clock.nsecsElapsed();
                moments.done = paintedAt;
                shows.append(moments);
            },
            Qt::QueuedConnection);
    };
    app.installEventFilter(&watch);

    QList<double> latencies;
    for (int i = 0; i <= iterations; ++i) {
        paintedAt = 0;
        QProcess::execute(
            QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("F12")});
        if (!waitUntil([&] { return paintedAt != 0; }, 5000)) {
            std::fprintf(stderr, "bench_show: the overlay did not appear\n");
            return 1;
        }
        latencies.append(double(paintedAt - pressedAt) / 1e6);
        wait(150);
        controller.hide();
        wait(250);
    }
    for (double latency : std::as_const(latencies))
        std::printf("%.3f ", latency);
    std::printf("\n");
    shows.removeFirst();
    printPhases(shows);
    controller.stop();
    return 0;
}

// Sum of context switches of every thread of a process.
qint64 switches(qint64 pid)
{
    qint64 total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    const auto threads = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile status(tasks + QLatin1Char('/') + thread + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        const auto lines = status.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (line.contains("ctxt_switches:"))
                total += line.split(':').at(1).trimmed().toLongLong();
        }
    }
    return total;
}

int runCorvina(const QProcessEnvironment &env, const QString &argument)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CORVINA_BINARY), {argument});
    process.waitForFinished(5000);
    return process.exitCode();
}

void measureFootprint(const Desktop &desktop)
{
    QTemporaryDir home;
    const QProcessEnvironment env = desktop.environment(home.path());
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(QStringLiteral(CORVINA_BINARY), {});
    if (!waitUntil([&] { return runCorvina(env, QStringLiteral("--hide")) == 0; }, 10000)) {
        std::printf("footprint: corvina did not start\n");
        return;
    }
    const qint64 pid = app.processId();
    auto wakeups = [&](int seconds) {
        const qint64 before = switches(pid);
        wait(seconds * 1000);
        return double(switches(pid) - before) / seconds;
    };
    wait(1000);
    const double hiddenRss = residentMiB(pid);
    const double hiddenWakeups = wakeups(10);
    runCorvina(env, QStringLiteral("--show"));
    wait(1500);
    const double shownRss = residentMiB(pid);
    runCorvina(env, QStringLiteral("--hide"));
    wait(1000);
    const double afterRss = residentMiB(pid);
    const double afterWakeups = wakeups(10);
    std::printf("resident memory: hidden %.1f MiB, shown %.1f MiB, hidden again %.1f MiB\n",
        hiddenRss, shownRss, afterRss);
    std::printf("wakeups per second while hidden: %.1f at start, %.1f after a show\n",
        hiddenWakeups, afterWakeups);
    app.terminate();
    app.waitForFinished(5000);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return measureLatency();

    QCoreApplication app(argc, argv);
    const int firstDisplay = qEnvironmentVariableIntValue("CORVINA_BENCH_DISPLAY") > 0
        ? qEnvironmentVariableIntValue("CORVINA_BENCH_DISPLAY")
        : 93;
    std::printf(
        "show latency, F12 to every panel painted, %d shows (first show apart)\n", iterations);
    std::printf(
        "%-8s %-9s %10s %10s %10s\n", "screens", "cards", "first ms", "median ms", "p95 ms");
    for (int screens : {1, 2}) {
        Desktop desktop;
        if (!desktop.start(firstDisplay, screens)) {
            std::fprintf(stderr, "bench_show: cannot start Xvfb, monitors and openbox\n");
            return 1;
        }
        for (bool fifteen : {false, true}) {
            // CORVINA_BENCH_CASES=1x15,2xdefault measures only those.
            const QString cases = qEnvironmentVariable("CORVINA_BENCH_CASES");
            if (!cases.isEmpty()
                && !cases.split(QLatin1Char(','))
                        .contains(QStringLiteral("%1x%2").arg(screens).arg(
                            fifteen ? QStringLiteral("15") : QStringLiteral("default"))))
                continue;
            QTemporaryDir home;
            if (fifteen) {
                writeFifteenCards(home.path() + QStringLiteral("/config"),
                    screens == 2
                        ? QStringList {QStringLiteral("DUMMY-1"), QStringLiteral("DUMMY-2")}
                        : QStringList {QStringLiteral("DUMMY-1")});
            }
            QProcess child;
            child.setProcessEnvironment(desktop.environment(home.path()));
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
            if (!child.waitForFinished(120000) || child.exitCode() != 0) {
                std::fprintf(stderr, "bench_show: measuring failed\n");
                return 1;
            }
            QList<double> values;
            const auto words = child.readAllStandardOutput().simplified().split(' ');
            for (const QByteArray &word : words)
                values.append(word.toDouble());
            const double first = values.takeFirst();
            std::printf("%-8d %-9s %10.1f %10.1f %10.1f\n", screens, fifteen ? "15" : "default",
                first, percentile(values, 0.5), percentile(values, 0.95));
            std::fflush(stdout);
        }
        if (screens == 2 && qEnvironmentVariableIsEmpty("CORVINA_BENCH_CASES"))
            measureFootprint(desktop);
    }
    return 0;
}
