// Drives the real binary on Wayland under KWin, started virtual with two outputs, each
// covered by a full-screen window showing a striped picture; KWin's fake input stands in
// for a pointer and a keyboard. What KWin made of the panels is read through its scripting
// interface, and its screenshots through its own D-Bus interface.

#include "desktopshots.h"
#include "processes.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <link.h>
#include <unistd.h>

namespace {

constexpr int waitMs = 10000;
constexpr QSize outputSize(1280, 720);
const QList<QRect> outputs {QRect(QPoint(0, 0), outputSize), QRect(QPoint(1280, 0), outputSize)};
constexpr int stripeWidth = 8;

bool brightStripe(int x)
{
    return (x / stripeWidth) % 2 == 0;
}

// Warm yellow on the left to cool cyan on the right, in stripes of full and half
// brightness: a blur behind the panel evens the stripes out, a mere tint keeps them.
QImage wallpaper()
{
    QImage image = gradientWallpaper(outputSize);
    QPainter painter(&image);
    for (int x = 0; x < outputSize.width(); x += 2 * stripeWidth)
        painter.fillRect(
            x + stripeWidth, 0, stripeWidth, outputSize.height(), QColor(0, 0, 0, 128));
    return image;
}

double stripeContrast(const QImage &image, const QRect &patch)
{
    return mean(image, patch, brightStripe).brightness()
        - mean(image, patch, [](int x) { return !brightStripe(x); }).brightness();
}

// The dynamic loader this test runs under, which is KWin's too.
QString programInterpreter()
{
    QString interpreter;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type == PT_INTERP)
                    *static_cast<QString *>(data)
                        = QFile::decodeName(reinterpret_cast<const char *>(
                            info->dlpi_addr + info->dlpi_phdr[i].p_vaddr));
            }
            return 1; // the program itself comes first
        },
        &interpreter);
    return interpreter;
}

} // namespace

class TestKWin : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    QTemporaryDir runtime;
    QProcessEnvironment env;
    QProcess bus;
    QProcess kwin;
    QProcess desktop;
    QProcess input;
    QProcess app;
    QDBusConnection kwinBus {QString()};
    QImage paper = wallpaper();
    int scripts = 0;

    QString configDir() const { return home.path() + QStringLiteral("/config"); }

    int corvina(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        return runProcess(process, QStringLiteral(CORVINA_BINARY), arguments, waitMs);
    }

    QDBusMessage callKWin(const QString &path, const QString &interface, const QString &method,
        const QVariantList &arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin"), path, interface, method);
        call.setArguments(arguments);
        return kwinBus.call(call, QDBus::Block, waitMs);
    }

    // What KWin shows on output `index`, through its screenshot interface: it writes the
    // raw pixels into a pipe and says their layout in the reply.
    QImage screenshot(int index)
    {
        int pipe[2];
        if (::pipe(pipe) != 0)
            return {};
        const QRect area = outputs.at(index);
        const QDBusMessage reply = callKWin(QStringLiteral("/org/kde/KWin/ScreenShot2"),
            QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("CaptureArea"),
            {area.x(), area.y(), uint(area.width()), uint(area.height()), QVariantMap(),
                QVariant::fromValue(QDBusUnixFileDescriptor(pipe[1]))});
        ::close(pipe[1]);
        QByteArray pixels;
        char buffer[65536];
        for (ssize_t n; reply.type() == QDBusMessage::ReplyMessage
             && (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
            pixels.append(buffer, n);
        ::close(pipe[0]);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        const QVariantMap layout = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
        const int width = layout.value(QStringLiteral("width")).toInt();
        const int height = layout.value(QStringLiteral("height")).toInt();
        const int stride = layout.value(QStringLiteral("stride")).toInt();
        if (pixels.size() < qsizetype(stride) * height)
            return {};
        return QImage(reinterpret_cast<const uchar *>(pixels.constData()), width, height, stride,
            QImage::Format(layout.value(QStringLiteral("format")).toInt()))
            .copy();
    }

    bool covered(int index)
    {
        const QImage shot = screenshot(index);
        return !shot.isNull()
            && mean(shot, warmPatch).brightness() < 0.9 * mean(paper, warmPatch).brightness();
    }

    bool bare(int index)
    {
        const QImage shot = screenshot(index);
        return !shot.isNull()
            && qAbs(mean(shot, warmPatch).brightness() - mean(paper, warmPatch).brightness()) < 4;
    }

    // Every window KWin manages, as its scripting sees them, printed by a script to KWin's
    // stderr.
    QJsonArray windows()
    {
        const QString name = QStringLiteral("corvina_windows_%1").arg(++scripts);
        const QString file = runtime.filePath(name + QStringLiteral(".js"));
        QFile script(file);
        if (!script.open(QIODevice::WriteOnly))
            return {};
        script.write(
            QStringLiteral("var all = workspace.clientList().map(function (w) {\n"
                           "    var g = w.frameGeometry;\n"
                           "    return {name: w.resourceClass, x: g.x, y: g.y, width: g.width,\n"
                           "        height: g.height, screen: w.screen, layer: w.layer,\n"
                           "        fullScreen: w.fullScreen};\n"
                           "});\n"
                           "print('%1 ' + JSON.stringify(all));\n")
                .arg(name)
                .toUtf8());
        script.close();
        kwin.readAllStandardError();
        callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
            QStringLiteral("loadScript"), {file, name});
        callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
            QStringLiteral("start"));
        QByteArray printed;
        const QByteArray marker = name.toUtf8() + ' ';
        const bool printedAll = QTest::qWaitFor(
            [&] {
                printed += kwin.readAllStandardError();
                return printed.contains(marker)
                    && printed.indexOf('\n', printed.indexOf(marker)) > 0;
            },
            waitMs);
        callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
            QStringLiteral("unloadScript"), {name});
        if (!printedAll)
            return {};
        const qsizetype from = printed.indexOf(marker) + marker.size();
        return QJsonDocument::fromJson(printed.mid(from, printed.indexOf('\n', from) - from))
            .array();
    }

    void startKWin()
    {
        bus.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1")});
        QVERIFY(bus.waitForReadyRead(waitMs));
        const QString address = QString::fromUtf8(bus.readLine().trimmed());
        kwinBus = QDBusConnection::connectToBus(address, QStringLiteral("kwin"));
        QVERIFY(kwinBus.isConnected());

        // Software rendering turns KWin's blur off unless asked; animations only slow it.
        QDir().mkpath(configDir());
        QFile kwinrc(configDir() + QStringLiteral("/kwinrc"));
        QVERIFY(kwinrc.open(QIODevice::WriteOnly));
        kwinrc.write("[Plugins]\nblurEnabled=true\n");
        kwinrc.close();
        QFile kdeglobals(configDir() + QStringLiteral("/kdeglobals"));
        QVERIFY(kdeglobals.open(QIODevice::WriteOnly));
        kdeglobals.write("[KDE]\nAnimationDurationFactor=0\n");
        kdeglobals.close();

        QProcessEnvironment kwinEnv;
        for (const char *name : {"PATH", "LANG"})
            kwinEnv.insert(QLatin1String(name), qEnvironmentVariable(name));
        kwinEnv.insert(QStringLiteral("HOME"), home.path());
        kwinEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir());
        kwinEnv.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        kwinEnv.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        // The test's clients: fake input and screenshots without a desktop file that
        // grants them.
        kwinEnv.insert(QStringLiteral("KWIN_WAYLAND_NO_PERMISSION_CHECKS"), QStringLiteral("1"));
        kwinEnv.insert(QStringLiteral("KWIN_SCREENSHOT_NO_PERMISSION_CHECKS"), QStringLiteral("1"));
        // Started through the loader: kwin_wayland carries a file capability, and exec
        // refuses it where the capability bounding set lacks that one (containers). So
        // started, KWin takes its own platform plugin only when told.
        kwinEnv.insert(QStringLiteral("KWIN_FORCE_OWN_QPA"), QStringLiteral("1"));
        kwin.setProcessEnvironment(kwinEnv);
        kwin.setStandardOutputFile(QProcess::nullDevice());
        kwin.start(programInterpreter(),
            {QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")),
                QStringLiteral("--virtual"), QStringLiteral("--output-count"), QStringLiteral("2"),
                QStringLiteral("--width"), QString::number(outputSize.width()),
                QStringLiteral("--height"), QString::number(outputSize.height()),
                QStringLiteral("--socket"), QStringLiteral("wayland-corvina"),
                QStringLiteral("--no-lockscreen"), QStringLiteral("--no-global-shortcuts")});
        QVERIFY(kwin.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(runtime.filePath(QStringLiteral("wayland-corvina")))
                && kwinBus.interface()->isServiceRegistered(QStringLiteral("org.kde.KWin")),
            waitMs);

        env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-corvina"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir());
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *tool : {"kwin_wayland", "dbus-daemon"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        startKWin();

        const QString paperFile = runtime.filePath(QStringLiteral("wallpaper.png"));
        QVERIFY(paper.save(paperFile));
        desktop.setProcessEnvironment(env);
        desktop.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        desktop.start(QStringLiteral(IMAGE_WINDOW_BINARY), {paperFile});
        for (int i = 0; i < outputs.size(); ++i)
            QTRY_VERIFY_WITH_TIMEOUT(bare(i), waitMs);

        input.setProcessEnvironment(env);
        input.start(QStringLiteral(FAKE_INPUT_BINARY), {});
        QVERIFY(input.waitForReadyRead(waitMs));
        input.readAll();

        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(QStringLiteral(CORVINA_BINARY), {});
        QVERIFY(app.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(corvina({QStringLiteral("--hide")}) == 0, waitMs);
    }

    void cleanupTestCase()
    {
        stopProcess(app);
        stopProcess(input);
        stopProcess(desktop);
        stopProcess(kwin);
        stopProcess(bus);
    }

    void onePanelPerOutputAboveFullScreenWindows()
    {
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        for (int i = 0; i < outputs.size(); ++i)
            QTRY_VERIFY_WITH_TIMEOUT(covered(i), waitMs);

        QList<QRect> panels;
        QList<int> panelLayers, desktopLayers;
        for (const QJsonValue &window : windows()) {
            const QRect frame(window[QLatin1String("x")].toInt(),
                window[QLatin1String("y")].toInt(), window[QLatin1String("width")].toInt(),
                window[QLatin1String("height")].toInt());
            const int layer = window[QLatin1String("layer")].toInt();
            if (window[QLatin1String("name")] == QLatin1String("corvina")) {
                panels.append(frame);
                panelLayers.append(layer);
                QCOMPARE(window[QLatin1String("screen")].toInt(), outputs.indexOf(frame));
            } else if (window[QLatin1String("fullScreen")].toBool()) {
                desktopLayers.append(layer);
            }
        }
        std::sort(panels.begin(), panels.end(), [](QRect a, QRect b) { return a.x() < b.x(); });
        QCOMPARE(panels, outputs);
        QCOMPARE(desktopLayers.size(), outputs.size());
        QVERIFY(*std::min_element(panelLayers.cbegin(), panelLayers.cend())
            > *std::max_element(desktopLayers.cbegin(), desktopLayers.cend()));
    }

    // KWin blurs what shows through the translucent panel: the stripes even out, the
    // colours stay.
    void theDesktopShowsThroughBlurred()
    {
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        for (int i = 0; i < outputs.size(); ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(covered(i), waitMs);
            const QImage shot = screenshot(i);
            const Colour warm = mean(shot, warmPatch), cool = mean(shot, coolPatch);
            const QString figures = QStringLiteral("output %1: stripes %2 (bare %3), (%4,%5,%6)")
                                        .arg(i)
                                        .arg(stripeContrast(shot, warmPatch))
                                        .arg(stripeContrast(paper, warmPatch))
                                        .arg(warm.r)
                                        .arg(warm.g)
                                        .arg(warm.b);
            QVERIFY2(qAbs(stripeContrast(shot, warmPatch)) < 3, qPrintable(figures));
            QVERIFY2(qAbs(stripeContrast(shot, coolPatch)) < 3, qPrintable(figures));
            QVERIFY2(
                warm.brightness() >= mean(paper, warmPatch).brightness() / 3, qPrintable(figures));
            QVERIFY2(warm.r > warm.b + 20 && cool.b > cool.r + 20, qPrintable(figures));
        }
    }

    void aClickedNoteTakesTypedText()
    {
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(covered(1), waitMs);
        // The notes card of the first-run arrangement, on the second output.
        input.write(QByteArray("click ") + QByteArray::number(outputSize.width() + 1000)
            + " 300\ntype  typed on kwin\n");
        QTRY_VERIFY_WITH_TIMEOUT(storedNote(configDir(), QStringLiteral("Virtual-1"))
                                     .endsWith(QLatin1String(" typed on kwin")),
            waitMs);
    }

    void escHides()
    {
        QCOMPARE(corvina({QStringLiteral("--show")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(covered(0), waitMs);
        input.write("escape\n");
        QTRY_VERIFY_WITH_TIMEOUT(bare(0), waitMs);
        QVERIFY(bare(1));
    }
};

QTEST_GUILESS_MAIN(TestKWin)
#include "tst_kwin.moc"
