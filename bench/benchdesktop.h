#pragma once

// A private X desktop for the show benchmarks: Xvfb split into 1920x1080 RandR monitors
// (DUMMY-1 primary, DUMMY-2 to its right) with openbox, plus the helpers both benchmarks use.

#include "dashboardstore.h"
#include "dashboardwidget.h"
#include "filedefaults.h"
#include "widgetjson.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace bench {

inline void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline bool waitUntil(const std::function<bool()> &done, int ms)
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

inline double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype index
        = std::min<qsizetype>(values.size() - 1, qsizetype(p * double(values.size())));
    return values.at(index);
}

inline double residentMiB(qint64 pid)
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

// All fifteen kinds, five to a row, on each of `displays`.
inline void writeFifteenCards(const QString &configHome, const QStringList &displays)
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

    // What the programs under test run with: this display, a private home and runtime folder.
    QProcessEnvironment environment(const QString &home) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return env;
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

} // namespace bench
