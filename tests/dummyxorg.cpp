#include "dummyxorg.h"

#include "processes.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

constexpr auto xorgBinary = "/usr/lib/xorg/Xorg";
constexpr auto dummyDriver = "/usr/lib/xorg/modules/drivers/dummy_drv.so";
constexpr int startMs = 10000;

// No input devices: without them Xorg needs neither udev nor a seat, and keys come through
// XTEST. The Monitor ranges are wide enough for any mode we add.
constexpr auto config = R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-1000.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
EndSection
)";

} // namespace

QString DummyXorg::start(const QList<QRect> &outputs)
{
    if (!QFileInfo::exists(QLatin1String(xorgBinary))
        || !QFileInfo::exists(QLatin1String(dummyDriver)))
        return QStringLiteral("Xorg and its dummy driver are not installed");
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    QFile file(m_dir.filePath(QStringLiteral("xorg.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) < 0)
        return QStringLiteral("cannot write %1").arg(file.fileName());
    file.close();
    // No snippets from /etc/X11/xorg.conf.d: they may name other devices (Xorg logs the
    // empty folder as an error and goes on).
    const QString snippets = m_dir.filePath(QStringLiteral("xorg.conf.d"));
    QDir().mkpath(snippets);
    // Xorg takes the first free display and names it on standard output once it accepts
    // connections, so runs side by side never meet.
    m_server.setStandardErrorFile(m_dir.filePath(QStringLiteral("stderr")));
    m_server.start(QLatin1String(xorgBinary),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
            QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-config"),
            file.fileName(), QStringLiteral("-configdir"), snippets, QStringLiteral("-logfile"),
            m_dir.filePath(QStringLiteral("xorg.log"))});
    if (!m_server.waitForStarted())
        return QStringLiteral("Xorg does not start: %1").arg(m_server.errorString());
    QByteArray number;
    QDeadlineTimer deadline(startMs);
    while (!number.endsWith('\n') && m_server.waitForReadyRead(int(deadline.remainingTime())))
        number += m_server.readAllStandardOutput();
    if (!number.endsWith('\n')) {
        const bool ended = m_server.state() == QProcess::NotRunning;
        stop();
        return ended ? QStringLiteral("Xorg stopped: %1").arg(fatalError())
                     : QStringLiteral("Xorg did not come up in %1 s").arg(startMs / 1000);
    }
    m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    // Each output gets a mode of its own size; the driver knows only a few sizes by name.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_name);
    QString probed;
    auto xrandr = [&](const QStringList &arguments) {
        QProcess process;
        process.setProcessEnvironment(env);
        if (runProcess(process, QStringLiteral("xrandr"), arguments, startMs) == 0) {
            probed = QString::fromLocal8Bit(process.readAllStandardOutput());
            return QString();
        }
        return QStringLiteral("xrandr %1: %2")
            .arg(arguments.join(QLatin1Char(' ')),
                QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
    };
    QStringList layout;
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        const QRect r = outputs.at(i);
        const QString output = QStringLiteral("DUMMY%1").arg(i);
        const QString mode = QStringLiteral("corvina%1").arg(i);
        // Short blanking at 60 Hz; the dummy driver only checks the ranges above.
        const int hTotal = r.width() + 80;
        const int vTotal = r.height() + 30;
        const QString clock = QString::number(hTotal * vTotal * 60 / 1e6, 'f', 2);
        QString error = xrandr({QStringLiteral("--newmode"), mode, clock,
            QString::number(r.width()), QString::number(r.width() + 8),
            QString::number(r.width() + 40), QString::number(hTotal), QString::number(r.height()),
            QString::number(r.height() + 3), QString::number(r.height() + 8),
            QString::number(vTotal)});
        if (error.isEmpty())
            error = xrandr({QStringLiteral("--addmode"), output, mode});
        if (!error.isEmpty())
            return error;
        layout << QStringLiteral("--output") << output << QStringLiteral("--mode") << mode
               << QStringLiteral("--pos") << QStringLiteral("%1x%2").arg(r.x()).arg(r.y());
        if (i == 0)
            layout << QStringLiteral("--primary");
    }
    if (const QString error = xrandr(layout); !error.isEmpty())
        return error;
    // The driver counts an output as connected only once it has been probed since getting a
    // mode; clients that read the current state (GTK) would otherwise leave it out.
    if (const QString error = xrandr({}); !error.isEmpty())
        return error;
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        if (!probed.contains(QStringLiteral("DUMMY%1 connected").arg(i)))
            return QStringLiteral("DUMMY%1 is not connected:\n%2").arg(i).arg(probed);
    }
    return {};
}

void DummyXorg::stop()
{
    stopProcess(m_server);
    m_name.clear();
}

QString DummyXorg::fatalError() const
{
    // Xorg names a fatal error on the line after this one; a log it cannot open is one of them.
    QFile output(m_dir.filePath(QStringLiteral("stderr")));
    if (!output.open(QIODevice::ReadOnly))
        return QStringLiteral("no output");
    const QList<QByteArray> lines = output.readAll().split('\n');
    const auto fatal = std::ranges::find_if(
        lines, [](const QByteArray &line) { return line.contains("Fatal server error:"); });
    if (fatal == lines.end() || fatal + 1 == lines.end())
        return QStringLiteral("no fatal error named; see %1").arg(output.fileName());
    return QString::fromLocal8Bit(QByteArray(*(fatal + 1)).replace("(EE)", "").trimmed());
}
