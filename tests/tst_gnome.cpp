// Drives the real binary on Wayland under GNOME Shell, started headless with two virtual
// monitors on buses of its own. Screenshots come from the shell's screenshot service, input
// from mutter's remote desktop service.

#include "desktopshots.h"
#include "processes.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int waitMs = 15000;
constexpr QSize monitorSize(1280, 720);
// mutter's code of the left button, as in linux/input-event-codes.h.
constexpr int leftButton = 0x110;
constexpr uint escapeKeysym = 0xff1b;
// The flat colour of an opaque tint under the gradient: what the desktop must not look like.
constexpr double opaqueBrightness = (11 + 12 + 17) / 3.0;

const QString shellService = QStringLiteral("org.gnome.Shell.Screenshot");
const QString remoteService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString remoteSessionInterface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");

// The notes card of the first-run arrangement.
constexpr QPoint notesCard(1000, 300);

QString describe(const Colour &colour)
{
    return QStringLiteral("(%1,%2,%3)")
        .arg(qRound(colour.r))
        .arg(qRound(colour.g))
        .arg(qRound(colour.b));
}

} // namespace

class TestGnome : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    QTemporaryDir runtime;
    QProcessEnvironment env;
    QProcess systemBus;
    QProcess sessionBus;
    QProcess shell;
    QProcess app;
    QByteArray appErrors;
    QString remoteSession;
    QImage paper = gradientWallpaper(monitorSize);

    QString configDir() const { return home.path() + QStringLiteral("/config"); }
    QDBusConnection bus() const { return QDBusConnection(QStringLiteral("gnome")); }

    int run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        return runProcess(process, program, arguments, waitMs);
    }

    int corvina(const QStringList &arguments)
    {
        return run(QStringLiteral(CORVINA_BINARY), arguments);
    }

    // The address a bus daemon of the session kind prints once it listens at `socket`.
    QString startBus(QProcess &daemon, const QString &socket)
    {
        daemon.setProcessEnvironment(env);
        daemon.setStandardErrorFile(home.filePath(QStringLiteral("buses.log")), QIODevice::Append);
        daemon.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1"),
                QStringLiteral("--address=unix:path=") + runtime.filePath(socket)});
        if (!daemon.waitForReadyRead(waitMs))
            return {};
        return QString::fromUtf8(daemon.readLine().trimmed());
    }

    // Plain calls: an interface object would introspect, and Qt keeps what it learns.
    QDBusMessage call(const QString &service, const QString &path, const QString &interface,
        const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = bus().call(message);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning("%s: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return reply;
    }

    // The whole stage, both monitors side by side.
    QImage screenshot()
    {
        const QString file = home.filePath(QStringLiteral("shot.png"));
        QFile::remove(file);
        call(shellService, QStringLiteral("/org/gnome/Shell/Screenshot"), shellService,
            QStringLiteral("Screenshot"), {false, false, file});
        return QImage(file);
    }

    static QImage monitor(const QImage &stage, int index)
    {
        return stage.copy(QRect(QPoint(index * monitorSize.width(), 0), monitorSize));
    }

    // A panel shows on monitor `index` when the wallpaper there is darkened.
    bool covered(int index)
    {
        const QImage shot = screenshot();
        return !shot.isNull()
            && mean(monitor(shot, index), warmPatch).brightness()
            < 0.9 * mean(paper, warmPatch).brightness();
    }

    bool bare(int index)
    {
        const QImage shot = screenshot();
        return !shot.isNull()
            && qAbs(mean(monitor(shot, index), warmPatch).brightness()
                   - mean(paper, warmPatch).brightness())
            < 4;
    }

    bool notify(const QString &method, const QVariantList &arguments)
    {
        return call(remoteService, remoteSession, remoteSessionInterface, method, arguments).type()
            == QDBusMessage::ReplyMessage;
    }

    void press(uint keysym)
    {
        QVERIFY(notify(QStringLiteral("NotifyKeyboardKeysym"), {keysym, true}));
        QVERIFY(notify(QStringLiteral("NotifyKeyboardKeysym"), {keysym, false}));
    }

    void type(const QString &text)
    {
        for (const QChar c : text)
            press(c.unicode() < 0x100 ? c.unicode() : 0x01000000 | c.unicode());
    }

    // Relative motion only, which needs no screen cast. mutter keeps a motion that would
    // leave the screens on the pointer's monitor, so: into the bottom right corner of the
    // right monitor (the top left one opens the overview), then back from there.
    void click(QPoint at)
    {
        const QPoint corner(2 * monitorSize.width() - 1, monitorSize.height() - 1);
        for (const QPointF step : {QPointF(1e5, 1e5), QPointF(monitorSize.width(), 0),
                 QPointF(1e5, 1e5), QPointF(at - corner)})
            QVERIFY(notify(QStringLiteral("NotifyPointerMotionRelative"), {step.x(), step.y()}));
        QVERIFY(notify(QStringLiteral("NotifyPointerButton"), {leftButton, true}));
        QVERIFY(notify(QStringLiteral("NotifyPointerButton"), {leftButton, false}));
    }

    void startShell()
    {
        const QString paperFile = home.filePath(QStringLiteral("wallpaper.png"));
        QVERIFY(paper.save(paperFile));
        env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                 "DBUS_SYSTEM_BUS_ADDRESS", "XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        // The system bus is a stand-in: the shell asks it for accounts, power and so on
        // and copes with no answer.
        const QString systemAddress = startBus(systemBus, QStringLiteral("system_bus"));
        QVERIFY(!systemAddress.isEmpty());
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), systemAddress);
        const QString sessionAddress = startBus(sessionBus, QStringLiteral("bus"));
        QVERIFY(!sessionAddress.isEmpty());
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionAddress);

        const QString schema = QStringLiteral("org.gnome.desktop.background");
        for (const char *key : {"picture-uri", "picture-uri-dark"}) {
            QCOMPARE(run(QStringLiteral("gsettings"),
                         {QStringLiteral("set"), schema, QString::fromLatin1(key),
                             QUrl::fromLocalFile(paperFile).toString()}),
                0);
        }
        QCOMPARE(run(QStringLiteral("gsettings"),
                     {QStringLiteral("set"), schema, QStringLiteral("picture-options"),
                         QStringLiteral("stretched")}),
            0);

        shell.setProcessEnvironment(env);
        shell.setStandardOutputFile(QProcess::nullDevice());
        // The shell is chatty about the services a headless session lacks.
        shell.setStandardErrorFile(home.filePath(QStringLiteral("shell.log")));
        const QString size
            = QStringLiteral("%1x%2").arg(monitorSize.width()).arg(monitorSize.height());
        shell.start(QStringLiteral("gnome-shell"),
            {QStringLiteral("--headless"), QStringLiteral("--wayland"), QStringLiteral("--no-x11"),
                QStringLiteral("--virtual-monitor"), size, QStringLiteral("--virtual-monitor"),
                size});
        QVERIFY(shell.waitForStarted());

        QDBusConnection connection
            = QDBusConnection::connectToBus(sessionAddress, QStringLiteral("gnome"));
        QVERIFY(connection.isConnected());
        // The shell takes screenshots only for a few callers it knows by name.
        QVERIFY(connection.registerService(QStringLiteral("org.gnome.Screenshot")));
        QTRY_VERIFY_WITH_TIMEOUT(connection.interface()->isServiceRegistered(shellService).value()
                && connection.interface()->isServiceRegistered(remoteService).value(),
            2 * waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(runtime.filePath(QStringLiteral("wayland-0"))), waitMs);
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));

        const QDBusReply<QDBusObjectPath> session
            = call(remoteService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"), remoteService,
                QStringLiteral("CreateSession"));
        QVERIFY(session.isValid());
        remoteSession = session.value().path();
        QVERIFY(notify(QStringLiteral("Start"), {}));
        // The shell starts in its overview, and may still be on its way there: Esc until the
        // bare desktop shows.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                press(escapeKeysym);
                return bare(0) && bare(1);
            }(),
            waitMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *tool : {"gnome-shell", "dbus-daemon", "gsettings"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        startShell();
        if (QTest::currentTestFailed())
            return;

        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
        app.setProcessEnvironment(env);
        connect(&app, &QProcess::readyReadStandardError, this, [this] {
            const QByteArray errors = app.readAllStandardError();
            appErrors += errors;
            std::fwrite(errors.constData(), 1, errors.size(), stderr);
        });
        app.start(QStringLiteral(CORVINA_BINARY), {});
        QVERIFY(app.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(corvina({QStringLiteral("--hide")}) == 0, waitMs);
    }

    void cleanupTestCase()
    {
        stopProcess(app);
        QDBusConnection::disconnectFromBus(QStringLiteral("gnome"));
        stopProcess(shell);
        stopProcess(sessionBus);
        stopProcess(systemBus);
    }

    // GNOME lets nothing read the screen and draws full-screen windows over black: the
    // panels show its wallpaper, darkened, rather than a flat fill.
    void panelsShowTheWallpaperDarkenedOnEveryMonitor()
    {
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(covered(0) && covered(1), waitMs);
        const QImage shot = screenshot();
        if (const QString keep = qEnvironmentVariable("CORVINA_GNOME_SHOT"); !keep.isEmpty())
            shot.save(keep);
        for (int index : {0, 1}) {
            const Colour warm = mean(monitor(shot, index), warmPatch);
            const Colour cool = mean(monitor(shot, index), coolPatch);
            const QString seen = QStringLiteral("monitor %1: %2 %3")
                                     .arg(index)
                                     .arg(describe(warm), describe(cool));
            QVERIFY2(warm.brightness() > 3 * opaqueBrightness
                    && cool.brightness() > 3 * opaqueBrightness,
                qPrintable(seen));
            QVERIFY2(warm.r > warm.b + 20 && cool.b > cool.r + 20, qPrintable(seen));
        }
    }

    void aClickedNoteTakesTypedText()
    {
        QCOMPARE(corvina({QStringLiteral("--hide")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(bare(0) && bare(1), waitMs);
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(covered(0) && covered(1), waitMs);
        // As a hand would: not in the very moment the panels map, while the shell still
        // hands out focus.
        QTest::qWait(1000);
        click(notesCard + QPoint(monitorSize.width(), 0));
        type(QStringLiteral(" typed on gnome"));
        QTRY_VERIFY_WITH_TIMEOUT(storedNote(configDir(), QStringLiteral("Meta-1"))
                                     .endsWith(QLatin1String(" typed on gnome")),
            waitMs);
    }

    void escHides()
    {
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(covered(0), waitMs);
        press(escapeKeysym);
        QTRY_VERIFY_WITH_TIMEOUT(bare(0) && bare(1), waitMs);
    }

    // GNOME 43 has no global shortcuts portal: the user is told where to bind the key.
    void saysHowToBindTheHotKey()
    {
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QList<QByteArray> lines = appErrors.split('\n');
                return std::any_of(lines.cbegin(), lines.cend(), [](const QByteArray &line) {
                    return line.contains("F12 will not open Corvina")
                        && line.contains("corvina --toggle")
                        && line.contains("Settings \u2192 Keyboard");
                });
            }(),
            waitMs);
    }
};

QTEST_GUILESS_MAIN(TestGnome)
#include "tst_gnome.moc"
