// Drives the real binary under Xvfb with openbox and two RandR monitors, as a user would.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace {

constexpr int waitMs = 8000;

struct Window
{
    QString id;
    QRect geometry;
};

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    QString display;
    QProcess xvfb;
    QProcess monitors;
    QProcess openbox;
    QProcess app;
    QTemporaryDir home;
    QProcessEnvironment env;

    QString configDir() const { return home.path() + QStringLiteral("/config"); }

    // Runs a helper program to completion and returns its standard output.
    QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr,
        QString *errors = nullptr)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(waitMs)) {
            process.kill();
            process.waitForFinished();
        }
        if (exitCode)
            *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        if (errors)
            *errors = QString::fromLocal8Bit(process.readAllStandardError());
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    int corvina(const QStringList &arguments, QString *errors = nullptr)
    {
        int code = -1;
        run(QStringLiteral(CORVINA_BINARY), arguments, &code, errors);
        return code;
    }

    void key(const QStringList &arguments) { run(QStringLiteral("xdotool"), arguments); }

    // The overlay panels currently mapped, left to right.
    QList<Window> panels()
    {
        QList<Window> result;
        const QStringList ids = run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                QStringLiteral("corvina")})
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &id : ids) {
            const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
            auto field = [&](const char *name) {
                const QRegularExpression re(QLatin1String(name) + QStringLiteral(":\\s+(-?\\d+)"));
                return re.match(info).captured(1).toInt();
            };
            // The tray icon shares the class; panels are the screen-sized ones.
            if (!info.contains(QLatin1String("IsViewable")) || field("Width") < 640)
                continue;
            result.append({id,
                QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"),
                    field("Width"), field("Height"))});
        }
        std::sort(result.begin(), result.end(),
            [](const Window &a, const Window &b) { return a.geometry.x() < b.geometry.x(); });
        return result;
    }

    // Windows of a class that are mapped; the tray icon is one of ours below panel size.
    int visibleWindows(const QString &windowClass)
    {
        return run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                windowClass})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
            .size();
    }

    QString activeWindow()
    {
        return run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed();
    }

    bool startMonitors()
    {
        monitors.setProcessEnvironment(env);
        monitors.start(QStringLiteral(XRRMONITORS_BINARY),
            {QStringLiteral("DUMMY-1:1920x1080+0+0"), QStringLiteral("DUMMY-2:1280x1024+1920+0")});
        return monitors.waitForReadyRead(waitMs);
    }

    void stop(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished();
        }
    }

    void startApp()
    {
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(CORVINA_BINARY), {});
        QVERIFY(app.waitForStarted());
        // The socket answers once the event loop runs, after the hot key is taken.
        QTRY_VERIFY_WITH_TIMEOUT(corvina({QStringLiteral("--hide")}) == 0, waitMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *tool : {"Xvfb", "openbox", "xdotool", "xwininfo"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        // Our own display numbers, so parallel runs do not meet.
        int base = qEnvironmentVariableIntValue("CORVINA_E2E_DISPLAY");
        if (base <= 0)
            base = 91;
        for (int n = base; n < base + 5 && display.isEmpty(); ++n) {
            if (!QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                display = QStringLiteral(":%1").arg(n);
        }
        QVERIFY2(!display.isEmpty(), "no free X display number");
        xvfb.start(QStringLiteral("Xvfb"),
            {display, QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("3200x1080x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
        QVERIFY(xvfb.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + display.mid(1)), waitMs);

        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir());
        const QString runtime = home.path() + QStringLiteral("/runtime");
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);

        QVERIFY(startMonitors());
        openbox.setProcessEnvironment(env);
        openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(openbox.waitForStarted());
        // The window manager is ready once it names itself on the root window.
        QTRY_VERIFY_WITH_TIMEOUT(
            run(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QLatin1String("window id")),
            waitMs);
    }

    void cleanupTestCase()
    {
        stop(app);
        stop(openbox);
        stop(monitors);
        stop(xvfb);
    }

    void init()
    {
        QDir(configDir()).removeRecursively();
        startApp();
    }

    void cleanup()
    {
        stop(app);
        key({QStringLiteral("keyup"), QStringLiteral("F12")});
    }

    void f12ShowsOnePanelPerScreenWithTheMainOneFocused()
    {
        key({QStringLiteral("key"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        const QList<Window> shown = panels();
        QCOMPARE(shown.at(0).geometry, QRect(0, 0, 1920, 1080));
        QCOMPARE(shown.at(1).geometry, QRect(1920, 0, 1280, 1024));
        QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), shown.at(0).id, waitMs);

        key({QStringLiteral("key"), QStringLiteral("Escape")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 0, waitMs);
        QVERIFY(app.state() == QProcess::Running);
    }

    void f12WorksWithLockModifiers_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addRow("NumLock on") << QStringLiteral("Num_Lock");
        QTest::addRow("CapsLock on") << QStringLiteral("Caps_Lock");
    }

    void f12WorksWithLockModifiers()
    {
        QFETCH(QString, lock);
        key({QStringLiteral("key"), lock});
        key({QStringLiteral("key"), QStringLiteral("F12")});
        const bool shown = QTest::qWaitFor([&] { return panels().size() == 2; }, waitMs);
        key({QStringLiteral("key"), lock});
        QVERIFY(shown);
    }

    void aHeldF12TogglesOnce()
    {
        key({QStringLiteral("keydown"), QStringLiteral("F12")});
        // Long enough for the server to auto-repeat many times.
        QTest::qWait(1500);
        key({QStringLiteral("keyup"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        QTest::qWait(500);
        QCOMPARE(panels().size(), 2);
    }

    void theCommandLineTogglesAndQuits()
    {
        QCOMPARE(corvina({QStringLiteral("--toggle")}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        QCOMPARE(corvina({QStringLiteral("--toggle")}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 0, waitMs);
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);

        QCOMPARE(corvina({QStringLiteral("--quit")}), 0);
        QVERIFY(app.waitForFinished(waitMs));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);

        QString errors;
        QVERIFY(corvina({QStringLiteral("--toggle")}, &errors) != 0);
        QCOMPARE(errors.count(QLatin1Char('\n')), 1);
        QVERIFY(errors.contains(QLatin1String("no running instance")));
    }

    void aSecondStartShowsTheFirstAndLeaves()
    {
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(corvina({}), 0);
        QVERIFY(timer.elapsed() < waitMs);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        // The first instance still owns the socket.
        QCOMPARE(corvina({QStringLiteral("--hide")}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 0, waitMs);
        QVERIFY(app.state() == QProcess::Running);
    }

    void ctrlLClosesTheOverlayAndCtrlQQuits()
    {
        key({QStringLiteral("key"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        key({QStringLiteral("key"), QStringLiteral("ctrl+l")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 0, waitMs);
        key({QStringLiteral("key"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        key({QStringLiteral("key"), QStringLiteral("ctrl+q")});
        QVERIFY(app.waitForFinished(waitMs));
        QCOMPARE(app.exitCode(), 0);
    }

    void aCrashedInstanceDoesNotBlockTheNextOne()
    {
        ::kill(pid_t(app.processId()), SIGKILL);
        QVERIFY(app.waitForFinished(waitMs));
        startApp();
        QCOMPARE(corvina({QStringLiteral("--toggle")}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
    }

    void eachScreenKeepsItsOwnArrangement()
    {
        key({QStringLiteral("key"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        const QString dir = configDir() + QStringLiteral("/corvina/");
        QVERIFY(QFileInfo::exists(dir + QStringLiteral("dashboard.widgets.display.DUMMY-1.v1")));
        QVERIFY(QFileInfo::exists(dir + QStringLiteral("dashboard.widgets.display.DUMMY-2.v1")));
    }

    // A FIFO in the way once hung the start; now it stays, and the overlay says why its
    // changes can't be saved.
    void anArrangementThatCannotBeReadIsLeftAloneAndTold()
    {
        stop(app);
        const QString dir = configDir() + QStringLiteral("/corvina");
        QVERIFY(QDir().mkpath(dir));
        const QString path = dir + QStringLiteral("/dashboard.widgets.display.DUMMY-1.v1");
        const QByteArray name = QFile::encodeName(path);
        QFile::remove(path);
        QVERIFY(::mkfifo(name.constData(), 0600) == 0);
        startApp();
        key({QStringLiteral("key"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);

        QString errors;
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += QString::fromLocal8Bit(app.readAllStandardError()))
                .contains(QStringLiteral("corvina: changes can't be saved to ") + path),
            waitMs);
        struct stat st;
        QVERIFY(::stat(name.constData(), &st) == 0 && S_ISFIFO(st.st_mode));

        // The sign is orange text in that display's toolbar, and only there.
        const QString shot = home.path() + QStringLiteral("/shot.png");
        auto orangeInToolbar = [&](const QRect &panel) {
            const QImage image(shot);
            int count = 0;
            for (int y = panel.top(); y < panel.top() + 58; ++y) {
                for (int x = panel.left(); x <= panel.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += c.red() > 200 && c.green() > 110 && c.green() < 190 && c.blue() < 90;
                }
            }
            return count;
        };
        QTest::qWait(500);
        run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), shot});
        const QList<Window> shown = panels();
        QVERIFY(orangeInToolbar(shown.at(0).geometry) > 20);
        QCOMPARE(orangeInToolbar(shown.at(1).geometry), 0);
    }

    void sigtermStopsCleanly()
    {
        key({QStringLiteral("key"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(waitMs));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QCOMPARE(panels().size(), 0);
    }

    void withoutATrayTheFirstStartOfASessionShowsTheOverlay()
    {
        stop(app);
        const QString marker = env.value(QStringLiteral("XDG_RUNTIME_DIR"))
            + QStringLiteral("/corvina/shown-without-tray");
        QFile::remove(marker);
        app.start(QStringLiteral(CORVINA_BINARY), {});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        QVERIFY(QString::fromLocal8Bit(app.readAllStandardError())
                    .contains(QLatin1String("\"corvina --toggle\"")));
        QCOMPARE(corvina({QStringLiteral("--hide")}), 0);
        stop(app);

        // The next start of the same session stays hidden.
        startApp();
        QVERIFY(QFile::exists(marker));
        QCOMPARE(panels().size(), 0);
    }

    void withATrayNothingShowsAtStart()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            QSKIP("trayer is not installed");
        stop(app);
        QFile::remove(env.value(QStringLiteral("XDG_RUNTIME_DIR"))
            + QStringLiteral("/corvina/shown-without-tray"));
        QProcess tray;
        tray.setProcessEnvironment(env);
        tray.start(QStringLiteral("trayer"), {});
        QVERIFY(tray.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("trayer")) > 0, waitMs);
        app.start(QStringLiteral(CORVINA_BINARY), {});
        // Start-up is over once the icon sits in the tray; a crashed app never gets there.
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("corvina")) > 0, waitMs);
        QVERIFY(app.state() == QProcess::Running);
        const int shown = panels().size();
        stop(tray);
        QCOMPARE(shown, 0);
        QVERIFY(!QString::fromLocal8Bit(app.readAllStandardError())
                     .contains(QLatin1String("no system tray")));
    }

    // Last: the second monitor does not come back.
    void aScreenUnpluggedWhileShownLosesItsPanel()
    {
        key({QStringLiteral("key"), QStringLiteral("F12")});
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 2, waitMs);
        ::kill(pid_t(monitors.processId()), SIGUSR1);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 1, waitMs);
        QCOMPARE(panels().constFirst().geometry, QRect(0, 0, 1920, 1080));
        QVERIFY(app.state() == QProcess::Running);
        QCOMPARE(corvina({QStringLiteral("--hide")}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(panels().size(), 0, waitMs);
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
