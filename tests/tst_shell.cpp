#include "appshell.h"
#include "autostart.h"
#include "commandline.h"
#include "desktoppresentation.h"
#include "fakedefaults.h"
#include "fakescreens.h"
#include "globalhotkey.h"
#include "instancechannel.h"
#include "windowhints.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

auto restoreRuntimeDirLater()
{
    return qScopeGuard(
        [saved = qgetenv("XDG_RUNTIME_DIR"), had = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")] {
            if (had)
                qputenv("XDG_RUNTIME_DIR", saved);
            else
                qunsetenv("XDG_RUNTIME_DIR");
        });
}

// Leaves a socket file with nobody listening, as a crashed instance does.
void leaveStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    ::close(fd);
    QVERIFY(QFileInfo::exists(path));
}

// A client that connects and then says nothing.
int connectRaw(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("fails");
        using A = CommandLine::Action;
        QTest::addRow("nothing starts the app") << QStringList {} << int(A::Run) << false;
        QTest::addRow("--toggle") << QStringList {"--toggle"} << int(A::Toggle) << false;
        QTest::addRow("--show") << QStringList {"--show"} << int(A::Show) << false;
        QTest::addRow("--hide") << QStringList {"--hide"} << int(A::Hide) << false;
        QTest::addRow("--quit") << QStringList {"--quit"} << int(A::Quit) << false;
        QTest::addRow("--help") << QStringList {"--help"} << int(A::Help) << false;
        QTest::addRow("-h") << QStringList {"-h"} << int(A::Help) << false;
        QTest::addRow("--version") << QStringList {"--version"} << int(A::Version) << false;
        QTest::addRow("two commands") << QStringList {"--show", "--hide"} << int(A::Run) << true;
        QTest::addRow("unknown option") << QStringList {"--frobnicate"} << int(A::Run) << true;
        QTest::addRow("stray argument") << QStringList {"show"} << int(A::Run) << true;
        QTest::addRow("--autostart on")
            << QStringList {"--autostart", "on"} << int(A::Autostart) << false;
        QTest::addRow("--autostart=off")
            << QStringList {"--autostart=off"} << int(A::Autostart) << false;
        QTest::addRow("--autostart maybe")
            << QStringList {"--autostart", "maybe"} << int(A::Run) << true;
        QTest::addRow("--autostart without value")
            << QStringList {"--autostart"} << int(A::Run) << true;
        QTest::addRow("--autostart with --toggle")
            << QStringList {"--autostart", "on", "--toggle"} << int(A::Run) << true;
        QTest::addRow("--render DIR") << QStringList {"--render", "out"} << int(A::Render) << false;
        QTest::addRow("--render DIR --gallery")
            << QStringList {"--render", "out", "--gallery"} << int(A::Render) << false;
        QTest::addRow("--render without a folder")
            << QStringList {"--render"} << int(A::Run) << true;
        QTest::addRow("--gallery alone") << QStringList {"--gallery"} << int(A::Run) << true;
        QTest::addRow("--render and --show")
            << QStringList {"--render", "out", "--show"} << int(A::Run) << true;
    }

    void parsesTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(bool, fails);
        QCommandLineParser parser;
        const CommandLine command
            = CommandLine::parse(parser, QStringList {QStringLiteral("corvina")} + arguments);
        QCOMPARE(int(command.action), action);
        QCOMPARE(!command.error.isEmpty(), fails);
    }

    void autostartValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("on");
        QTest::addRow("on") << QStringLiteral("on") << true;
        QTest::addRow("off") << QStringLiteral("off") << false;
    }

    void autostartValue()
    {
        QFETCH(QString, value);
        QFETCH(bool, on);
        QCommandLineParser parser;
        const CommandLine command = CommandLine::parse(
            parser, {QStringLiteral("corvina"), QStringLiteral("--autostart"), value});
        QCOMPARE(command.autostart, on);
    }

    void autostartWritesAndRemovesTheEntry()
    {
        QTemporaryDir config;
        const QString dir = config.path() + QStringLiteral("/autostart");
        const QString file = dir + QStringLiteral("/corvina.desktop");
        QCOMPARE(Autostart::set(false, dir, QStringLiteral("/usr/bin/corvina")), std::nullopt);
        QVERIFY(!QFile::exists(file));
        QCOMPARE(Autostart::set(true, dir, QStringLiteral("/usr/bin/corvina")), std::nullopt);
        QCOMPARE(Autostart::set(true, dir, QStringLiteral("/usr/bin/corvina")), std::nullopt);
        QFile entry(file);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nExec=/usr/bin/corvina\n"));
        QCOMPARE(Autostart::set(false, dir, QStringLiteral("/usr/bin/corvina")), std::nullopt);
        QVERIFY(!QFile::exists(file));
    }

    void autostartFailsClearlyWhereItCannotWrite()
    {
        QTemporaryDir config;
        QFile blocker(config.path() + QStringLiteral("/autostart"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        const auto failure = Autostart::set(true, blocker.fileName(), QStringLiteral("corvina"));
        QVERIFY(failure);
        QVERIFY(failure->contains(blocker.fileName()));
    }

    void autostartQuotesTheProgramPath_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("exec");
        QTest::addRow("plain") << QStringLiteral("/usr/bin/corvina")
                               << QByteArray("Exec=/usr/bin/corvina\n");
        QTest::addRow("space") << QStringLiteral("/opt/my apps/corvina")
                               << QByteArray("Exec=\"/opt/my apps/corvina\"\n");
        QTest::addRow("dollar") << QStringLiteral("/opt/$x/corvina")
                                << QByteArray("Exec=\"/opt/\\\\$x/corvina\"\n");
        QTest::addRow("percent") << QStringLiteral("/opt/100%/corvina")
                                 << QByteArray("Exec=/opt/100%%/corvina\n");
    }

    void autostartQuotesTheProgramPath()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, exec);
        const QByteArray entry = Autostart::entry(program);
        QVERIFY2(entry.contains(exec), entry.constData());
    }

    void remoteCommandWords()
    {
        QCOMPARE(CommandLine::remoteCommand(CommandLine::Action::Toggle), QStringLiteral("toggle"));
        QCOMPARE(CommandLine::remoteCommand(CommandLine::Action::Quit), QStringLiteral("quit"));
        QCOMPARE(CommandLine::remoteCommand(CommandLine::Action::Run), QString());
    }

    void commandsReachTheRunningInstance()
    {
        QTemporaryDir dir;
        QStringList received;
        InstanceServer server(dir.path(), [&](const QString &command) {
            received << command;
            return command != QLatin1String("bogus");
        });
        QCOMPARE(server.listen(), InstanceServer::Result::Listening);
        const QString path = server.socketPath();
        std::optional<QString> reply;
        // The client blocks, so it runs beside the server's event loop.
        auto sendLater = [&](const QString &command) {
            QThread *thread
                = QThread::create([&, command] { reply = InstanceChannel::send(path, command); });
            thread->start();
            QTRY_VERIFY(thread->isFinished());
            delete thread;
        };
        sendLater(QStringLiteral("toggle"));
        QVERIFY(!reply);
        sendLater(QStringLiteral("bogus"));
        QVERIFY(reply);
        QCOMPARE(received, (QStringList {QStringLiteral("toggle"), QStringLiteral("bogus")}));
    }

    void nothingRunningIsAClearFailure()
    {
        QTemporaryDir dir;
        const auto failure = InstanceChannel::send(
            InstanceChannel::socketPath(dir.path()), QStringLiteral("show"), 200);
        QCOMPARE(failure, std::optional<QString>(QStringLiteral("no running instance")));
    }

    void aSecondInstanceNeverTakesTheSocket()
    {
        QTemporaryDir dir;
        InstanceServer first(dir.path(), [](const QString &) { return true; });
        QCOMPARE(first.listen(), InstanceServer::Result::Listening);
        const auto inode = QFileInfo(first.socketPath()).fileTime(QFile::FileBirthTime);
        InstanceServer second(dir.path(), [](const QString &) { return true; });
        QCOMPARE(second.listen(), InstanceServer::Result::AlreadyRunning);
        QVERIFY(QFileInfo::exists(first.socketPath()));
        QCOMPARE(QFileInfo(first.socketPath()).fileTime(QFile::FileBirthTime), inode);
    }

    void aStaleSocketFromACrashIsReplaced()
    {
        QTemporaryDir dir;
        leaveStaleSocket(InstanceChannel::socketPath(dir.path()));
        InstanceServer server(dir.path(), [](const QString &) { return true; });
        QString error;
        QCOMPARE(server.listen(&error), InstanceServer::Result::Listening);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void theSocketIsForTheUserOnly()
    {
        QTemporaryDir runtime;
        const auto restore = restoreRuntimeDirLater();
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        QString error;
        const std::optional<QString> directory = InstanceChannel::directory(&error);
        QVERIFY2(directory, qPrintable(error));
        QCOMPARE(QFileInfo(*directory).permissions() & 0x0077, QFile::Permissions());
        InstanceServer server(*directory, [](const QString &) { return true; });
        QCOMPARE(server.listen(), InstanceServer::Result::Listening);
        const QFile::Permissions others
            = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFileInfo(server.socketPath()).permissions() & others, QFile::Permissions());
    }

    void anUnsafeRuntimeFolderFallsBackToAPrivateOne_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("fallsBack");
        QTest::addRow("usable") << QString() << false;
        QTest::addRow("parent open but sticky") << QStringLiteral("sticky parent") << false;
        QTest::addRow("open folder") << QStringLiteral("open folder") << true;
        QTest::addRow("parent open to anyone") << QStringLiteral("open parent") << true;
        QTest::addRow("a file in the way") << QStringLiteral("file") << true;
        QTest::addRow("a link to a private folder") << QStringLiteral("link") << true;
        QTest::addRow("runtime folder missing") << QStringLiteral("missing") << true;
        QTest::addRow("another user's folder") << QStringLiteral("foreign") << true;
    }

    void anUnsafeRuntimeFolderFallsBackToAPrivateOne()
    {
        QFETCH(QString, setup);
        QFETCH(bool, fallsBack);
        QTemporaryDir root;
        const QString runtime = root.path() + QStringLiteral("/runtime");
        const QString ours = runtime + QStringLiteral("/corvina");
        const QString temp = root.path() + QStringLiteral("/tmp");
        QVERIFY(QDir().mkpath(temp));
        if (setup != QLatin1String("missing"))
            QVERIFY(QDir().mkpath(runtime));
        const QByteArray runtimeName = QFile::encodeName(runtime);
        const QByteArray oursName = QFile::encodeName(ours);
        if (setup == QLatin1String("sticky parent"))
            QCOMPARE(::chmod(runtimeName, 01777), 0);
        else if (setup == QLatin1String("open parent"))
            QCOMPARE(::chmod(runtimeName, 0777), 0);
        else if (setup == QLatin1String("open folder"))
            QVERIFY(::mkdir(oursName, 0700) == 0 && ::chmod(oursName, 0777) == 0);
        else if (setup == QLatin1String("file"))
            QVERIFY(QFile(ours).open(QIODevice::WriteOnly));
        else if (setup == QLatin1String("link"))
            QVERIFY(QFile::link(temp, ours));
        else if (setup == QLatin1String("foreign")) {
            if (::getuid() != 0)
                QSKIP("needs root to hand a folder to another user");
            QVERIFY(::mkdir(oursName, 0700) == 0 && ::chown(oursName, 65534, 65534) == 0);
        }
        const auto restore = restoreRuntimeDirLater();
        qputenv("XDG_RUNTIME_DIR", runtimeName);
        qputenv("TMPDIR", QFile::encodeName(temp));
        QString error, reason;
        const std::optional<QString> directory = InstanceChannel::directory(&error, &reason);
        qunsetenv("TMPDIR");
        QVERIFY2(directory, qPrintable(error));
        QCOMPARE(directory->startsWith(temp + QStringLiteral("/corvina-")), fallsBack);
        QCOMPARE(!reason.isEmpty(), fallsBack);
        struct stat info = {};
        QCOMPARE(::lstat(QFile::encodeName(*directory), &info), 0);
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_mode & 0777, 0700u);

        // Both refused: a clear failure rather than a shared folder.
        if (fallsBack) {
            QCOMPARE(::chmod(QFile::encodeName(*directory), 0755), 0);
            qputenv("TMPDIR", QFile::encodeName(temp));
            QVERIFY(!InstanceChannel::directory(&error));
            qunsetenv("TMPDIR");
            QVERIFY(error.contains(*directory));
        }
    }

    void idleClientsGiveWayToACommand()
    {
        QTemporaryDir dir;
        InstanceServer server(dir.path(), [](const QString &) { return true; });
        QCOMPARE(server.listen(), InstanceServer::Result::Listening);
        // More silent clients than are served at once, and one that never ends its line.
        std::vector<int> idle;
        for (int i = 0; i < InstanceServer::maxClients + 4; ++i)
            idle.push_back(connectRaw(server.socketPath()));
        QVERIFY(::write(idle.front(), "toggle", 6) == 6);
        std::optional<QString> reply = QStringLiteral("not sent");
        QThread *thread = QThread::create(
            [&] { reply = InstanceChannel::send(server.socketPath(), QStringLiteral("show")); });
        thread->start();
        QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 8000);
        delete thread;
        for (int fd : idle)
            ::close(fd);
        QCOMPARE(reply, std::optional<QString>());
        QTRY_COMPARE(server.clientCount(), 0);
    }

    void theTrayMenuHasTheThreeCommands()
    {
        FakeDefaults defaults;
        FakeScreens screens;
        DesktopPresentation presentation;
        NullHotKey hotKey(QStringLiteral("none"));
        AppShell shell(defaults, {&screens, &presentation, &hotKey, nullptr, {}}, {});
        QStringList items;
        const auto actions = shell.menu()->actions();
        for (QAction *action : actions) {
            items << (action->isSeparator() ? QStringLiteral("—")
                                            : action->text() + QLatin1Char('|')
                        + action->shortcut().toString(QKeySequence::PortableText));
        }
        QCOMPARE(items,
            (QStringList {QStringLiteral("Launch Corvina|Ctrl+L"), QStringLiteral("—"),
                QStringLiteral("About Corvina|"), QStringLiteral("—"),
                QStringLiteral("Quit Corvina|Ctrl+Q")}));
        shell.launchAction()->trigger();
        QVERIFY(shell.controller().isVisible());
        shell.launchAction()->trigger();
        QVERIFY(!shell.controller().isVisible());
    }

    void theAboutTextHasSixLines()
    {
        const QStringList lines = AppShell::aboutText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(0), QStringLiteral("Version 1.1.3"));
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(3),
            QStringLiteral("Press Fn\u2013F12 at any time to open or close your widgets."));
        QCOMPARE(lines.at(4), QString());
        QVERIFY(!lines.at(2).isEmpty());
        QVERIFY(!lines.at(5).isEmpty());
    }

    void reachabilityMessages_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("message");
        QTest::addRow("F12 and a tray") << QString() << true << "kde" << QString();
        QTest::addRow("F12, no tray")
            << QString() << false << "gnome"
            << "there is no system tray here; open Corvina with F12 or by running "
               "\"corvina --toggle\".";
        QTest::addRow("a tray, no F12 on sway")
            << "this desktop's portal has no global shortcuts" << true << "sway"
            << "F12 will not open Corvina: this desktop's portal has no global shortcuts. Open it "
               "from the tray, or add \"bindsym F12 exec corvina --toggle\" to your sway config.";
        // Once two lines, the first pointing at a tray the second said was missing.
        QTest::addRow("neither on GNOME")
            << "this desktop's portal has no global shortcuts" << false << "gnome"
            << "F12 will not open Corvina (this desktop's portal has no global shortcuts) and "
               "there "
               "is no system tray here; open it by running \"corvina --toggle\", or bind F12 to "
               "\"corvina --toggle\" in Settings \u2192 Keyboard \u2192 View and Customise "
               "Shortcuts \u2192 Custom Shortcuts.";
    }

    void reachabilityMessages()
    {
        QFETCH(QString, failure);
        QFETCH(bool, tray);
        QFETCH(QString, desktop);
        QFETCH(QString, message);
        QCOMPARE(AppShell::reachabilityMessage(
                     failure.isNull() ? std::nullopt : std::optional(failure), tray, desktop),
            message);
    }

    void theAppIconLoads() { QVERIFY(!AppShell::appIcon().pixmap(64, 64).isNull()); }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
