// Show latency and footprint of the overlay on a private Xvfb with openbox.
//
// Latency: from the F12 key event reaching the process to the moment every screen's panel
// has painted and the X server has taken the pixels, over 1 and 2 screens of 1920x1080 and
// the default or a 15-card arrangement. Footprint: resident memory of the real binary
// hidden and shown, and its wakeups per second while hidden (context switches of all its
// threads), which must be zero.

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

namespace {

constexpr int iterations = 30;

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        wait(10);
    }
    return true;
}

void writeFifteenCards(const QString &configHome, const QStringList &displays)
{
    FileDefaults defaults(configHome + QStringLiteral("/corvina"));
    QList<DashboardWidget> widgets;
    int i = 0;
    for (DashboardWidgetKind kind : WidgetKinds::galleryCases()) {
        widgets.append(DashboardWidget::make(kind, 40 + (i % 5) * 370, 90 + (i / 5) * 300));
        ++i;
    }
    for (const QString &display : displays)
        (void)defaults.write(
            DashboardStore::keyForDisplay(display), *WidgetJson::encodeArrangement(widgets));
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
    DashboardController controller(defaults,
        {platform.screens.get(), platform.presentation.get(), platform.hotKey.get(),
            platform.windowHints.get(), platform.screenCapture.get()},
        {&pasteboard, &linkOpener});
    if (const auto failure = controller.start()) {
        std::fprintf(stderr, "bench_show: %s\n", qPrintable(*failure));
        return 1;
    }
    auto *x11 = app.nativeInterface<QNativeInterface::QX11Application>();

    QElapsedTimer clock;
    clock.start();
    qint64 pressedAt = 0;
    qint64 paintedAt = 0;
    QSet<QWidget *> painted;
    bool finishing = false;
    QObject::connect(platform.hotKey.get(), &GlobalHotKey::activated, &app, [&] {
        pressedAt = clock.nsecsElapsed();
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
    for (double ms : std::as_const(latencies))
        std::printf("%.3f ", ms);
    std::printf("\n");
    controller.stop();
    return 0;
}

struct Desktop
{
    QProcess xvfb, monitors, openbox;
    QString display;

    bool start(int firstDisplay, int screens)
    {
        for (int n = firstDisplay; n < firstDisplay + 5 && display.isEmpty(); ++n) {
            if (!QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                display = QStringLiteral(":%1").arg(n);
        }
        if (display.isEmpty())
            return false;
        xvfb.start(QStringLiteral("Xvfb"),
            {display, QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("%1x1080x24").arg(1920 * screens), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
        if (!xvfb.waitForStarted()
            || !waitUntil(
                [&] {
                    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + display.mid(1));
                },
                5000))
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        QStringList layout {QStringLiteral("DUMMY-1:1920x1080+0+0")};
        if (screens == 2)
            layout << QStringLiteral("DUMMY-2:1920x1080+1920+0");
        monitors.setProcessEnvironment(env);
        monitors.start(QStringLiteral(XRRMONITORS_BINARY), layout);
        openbox.setProcessEnvironment(env);
        openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        const bool ready = monitors.waitForReadyRead(5000) && openbox.waitForStarted();
        wait(500);
        return ready;
    }

    ~Desktop()
    {
        for (QProcess *process : {&openbox, &monitors, &xvfb}) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished();
        }
    }
};

QProcessEnvironment environmentFor(const Desktop &desktop, const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), desktop.display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const qsizetype index
        = std::min<qsizetype>(values.size() - 1, qsizetype(p * double(values.size())));
    return values.at(index);
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

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').at(0).toDouble() / 1024.0;
    }
    return -1;
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
    const QProcessEnvironment env = environmentFor(desktop, home.path());
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
            QTemporaryDir home;
            if (fifteen) {
                writeFifteenCards(home.path() + QStringLiteral("/config"),
                    screens == 2
                        ? QStringList {QStringLiteral("DUMMY-1"), QStringLiteral("DUMMY-2")}
                        : QStringList {QStringLiteral("DUMMY-1")});
            }
            QProcess child;
            child.setProcessEnvironment(environmentFor(desktop, home.path()));
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
        if (screens == 2)
            measureFootprint(desktop);
    }
    return 0;
}
