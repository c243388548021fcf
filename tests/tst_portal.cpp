// The Wayland hot key through a stand-in GlobalShortcuts portal on a private session bus.
// The stand-in is this program started again by D-Bus activation, as xdg-desktop-portal is.

#include "dashboardcontroller.h"
#include "desktoppresentation.h"
#include "fakedefaults.h"
#include "fakescreens.h"
#include "portalhotkey.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString controlInterface = QStringLiteral("org.corvina.test.PortalControl");

QVariantMap toMap(const QVariant &value)
{
    return value.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(value.value<QDBusArgument>())
                                             : value.toMap();
}

// Files the user's key per (app, shortcut) in a settings file that outlives the process, as
// a desktop does. An app that does not say who it is gets filed under its session token.
// The test drives it through a control interface: calls seen, a key press, a reassignment.
class FakePortal final : public QDBusVirtualObject
{
public:
    FakePortal(QDBusConnection bus, const QString &store)
        : m_bus(std::move(bus))
        , m_store(store, QSettings::IniFormat)
    { }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QString name = message.interface() + QLatin1Char('.') + message.member();
        const QList<QVariant> in = message.arguments();
        if (name == QLatin1String("org.freedesktop.host.portal.Registry.Register")) {
            m_calls << QStringLiteral("Register ") + in.value(0).toString();
            m_appIds.insert(message.service(), in.value(0).toString());
            return reply(message, {});
        }
        if (message.interface() == shortcutsInterface
            && !m_store.value(QStringLiteral("shortcuts"), true).toBool())
            return reply(message.createErrorReply(QDBusError::UnknownInterface, name));
        if (name == shortcutsInterface + QStringLiteral(".CreateSession")) {
            const QVariantMap options = toMap(in.value(0));
            const QString token = options.value(QStringLiteral("session_handle_token")).toString();
            m_calls << QStringLiteral("CreateSession ") + token;
            m_session = objectPath(QStringLiteral("session"), message.service(), token);
            m_component = m_appIds.value(message.service(), token);
            return respond(message, options, 0,
                {{QStringLiteral("session_handle"),
                    QVariant::fromValue(QDBusObjectPath(m_session))}});
        }
        if (name == shortcutsInterface + QStringLiteral(".BindShortcuts")) {
            const auto wanted
                = qdbus_cast<QList<PortalShortcut>>(in.value(1).value<QDBusArgument>());
            QStringList ids;
            for (const PortalShortcut &shortcut : wanted) {
                ids << shortcut.id + QLatin1Char('=')
                        + shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
                const QString key = keyOf(shortcut.id);
                if (!m_store.contains(key))
                    m_store.setValue(
                        key, shortcut.properties.value(QStringLiteral("preferred_trigger")));
            }
            m_calls << QStringLiteral("BindShortcuts %1 %2").arg(m_component, ids.join(u' '));
            const uint response = m_store.value(QStringLiteral("bindResponse"), 0).toUInt();
            return respond(message, toMap(in.value(3)), response,
                {{QStringLiteral("shortcuts"), QVariant::fromValue(bound())}});
        }
        if (name == QLatin1String("org.freedesktop.portal.Session.Close")) {
            m_calls << QStringLiteral("Close");
            return reply(message, {});
        }
        if (message.interface() == controlInterface)
            return control(message);
        return false;
    }

private:
    bool control(const QDBusMessage &message)
    {
        const QList<QVariant> in = message.arguments();
        if (message.member() == QLatin1String("Calls"))
            return reply(message, {m_calls});
        if (message.member() == QLatin1String("Press")) {
            QDBusMessage signal = QDBusMessage::createSignal(
                portalPath, shortcutsInterface, QStringLiteral("Activated"));
            signal << QVariant::fromValue(QDBusObjectPath(m_session)) << in.value(0).toString()
                   << qulonglong(1) << QVariantMap();
            m_bus.send(signal);
        } else if (message.member() == QLatin1String("Assign")) {
            // The user changed or (with an empty key) removed it in the desktop's settings.
            if (in.value(1).toString().isEmpty())
                m_store.remove(keyOf(in.value(0).toString()));
            else
                m_store.setValue(keyOf(in.value(0).toString()), in.value(1));
            QDBusMessage signal = QDBusMessage::createSignal(
                portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"));
            signal << QVariant::fromValue(QDBusObjectPath(m_session))
                   << QVariant::fromValue(bound());
            m_bus.send(signal);
        } else if (message.member() == QLatin1String("Quit")) {
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return reply(message, {});
    }

    QString keyOf(const QString &id) const { return m_component + QLatin1Char('/') + id; }

    QList<PortalShortcut> bound()
    {
        QList<PortalShortcut> result;
        m_store.beginGroup(m_component);
        const QStringList ids = m_store.childKeys();
        for (const QString &id : ids)
            result.append({id,
                {{QStringLiteral("description"), id},
                    {QStringLiteral("trigger_description"), m_store.value(id)}}});
        m_store.endGroup();
        return result;
    }

    static QString objectPath(const QString &kind, const QString &sender, const QString &token)
    {
        QString name = sender.mid(1);
        name.replace(QLatin1Char('.'), QLatin1Char('_'));
        return portalPath + QLatin1Char('/') + kind + QLatin1Char('/') + name + QLatin1Char('/')
            + token;
    }

    bool reply(const QDBusMessage &message, const QList<QVariant> &out)
    {
        return reply(message.createReply(out));
    }
    bool reply(const QDBusMessage &answer) { return m_bus.send(answer); }

    // Like xdg-desktop-portal: the request's path at once, its result later as a Response.
    bool respond(const QDBusMessage &message, const QVariantMap &options, uint response,
        const QVariantMap &results)
    {
        const QString path = objectPath(QStringLiteral("request"), message.service(),
            options.value(QStringLiteral("handle_token")).toString());
        reply(message, {QVariant::fromValue(QDBusObjectPath(path))});
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        return m_bus.send(signal);
    }

    QDBusConnection m_bus;
    QSettings m_store;
    QHash<QString, QString> m_appIds;
    QString m_session;
    QString m_component;
    QStringList m_calls;
};

int runFakePortal(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::ActivationBus, "bus");
    FakePortal portal(bus, QString::fromLocal8Bit(argv[2]));
    if (!bus.registerVirtualObject(portalPath, &portal, QDBusConnection::SubPath)
        || !bus.registerService(portalService))
        return 1;
    QObject::connect(bus.interface(), &QDBusConnectionInterface::serviceUnregistered, &app,
        [&app] { app.quit(); });
    return app.exec();
}

} // namespace

class TestPortal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QProcess daemon;
    QString address;
    int connections = 0;
    std::optional<QDBusConnection> bus;

    QString storePath() const { return folder.filePath(QStringLiteral("shortcuts.ini")); }

    QDBusConnection connectClient()
    {
        return QDBusConnection::connectToBus(
            address, QStringLiteral("client%1").arg(++connections));
    }

    // Waits long enough for D-Bus to start the stand-in, which may run under a sanitizer.
    static constexpr int activationTimeout = 15000;

    QVariant control(const QString &method, const QList<QVariant> &arguments = {})
    {
        QDBusMessage call
            = QDBusMessage::createMethodCall(portalService, portalPath, controlInterface, method);
        call.setArguments(arguments);
        const QDBusMessage answer = bus->call(call);
        return answer.arguments().value(0);
    }

    QStringList calls() { return control(QStringLiteral("Calls")).toStringList(); }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        QVERIFY(folder.isValid());
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("services")));
        QFile service(folder.filePath(QStringLiteral("services/portal.service")));
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write(QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 --fake-portal %3\n")
                          .arg(portalService, QCoreApplication::applicationFilePath(), storePath())
                          .toUtf8());
        service.close();
        QFile config(folder.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral(
            "<busconfig><type>session</type><listen>unix:tmpdir=%1</listen>"
            "<servicedir>%1/services</servicedir><policy context=\"default\">"
            "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
            "<allow own=\"*\"/></policy></busconfig>\n")
                         .arg(folder.path())
                         .toUtf8());
        config.close();
        daemon.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                QStringLiteral("--print-address")});
        QVERIFY(daemon.waitForReadyRead(5000));
        address = QString::fromUtf8(daemon.readLine().trimmed());
        QVERIFY(!address.isEmpty());
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(3000);
    }

    void init()
    {
        QFile::remove(storePath());
        bus = connectClient();
        QVERIFY(bus->isConnected());
        // Every case starts with no portal running, as at login.
        QVERIFY(!bus->interface()->isServiceRegistered(portalService));
    }

    void cleanup()
    {
        if (bus->interface()->isServiceRegistered(portalService)) {
            control(QStringLiteral("Quit"));
            QTRY_VERIFY(!bus->interface()->isServiceRegistered(portalService));
        }
        QDBusConnection::disconnectFromBus(bus->name());
        bus.reset();
    }

    void f12IsBoundAndActivationTogglesTheOverlay()
    {
        FakeDefaults defaults;
        FakeScreens screens;
        DesktopPresentation presentation;
        PortalHotKey hotKey(*bus);
        DashboardController controller(
            defaults, {&screens, &presentation, &hotKey, nullptr, {}}, {});
        QSignalSpy granted(&hotKey, &GlobalHotKey::granted);
        QCOMPARE(controller.start(), std::nullopt);
        QVERIFY(hotKey.isPending());
        QTRY_VERIFY_WITH_TIMEOUT(hotKey.isBound(), activationTimeout);
        QCOMPARE(granted.size(), 1);
        QCOMPARE(hotKey.trigger(), QStringLiteral("F12"));
        QCOMPARE(calls(),
            QStringList(
                {QStringLiteral("Register corvina"), QStringLiteral("CreateSession corvina"),
                    QStringLiteral("BindShortcuts corvina toggle=F12")}));

        control(QStringLiteral("Press"), {QStringLiteral("toggle")});
        QTRY_VERIFY(controller.isVisible());
        control(QStringLiteral("Press"), {QStringLiteral("something-else")});
        control(QStringLiteral("Press"), {QStringLiteral("toggle")});
        QTRY_VERIFY(!controller.isVisible());

        controller.stop();
        QTRY_COMPARE(calls().constLast(), QStringLiteral("Close"));
    }

    // The desktop keeps the user's key under the app id and shortcut id, so both must be the
    // same at every start; the portal itself is started afresh too.
    void theUsersKeyOutlivesARestart()
    {
        {
            PortalHotKey hotKey(*bus);
            QSignalSpy unavailable(&hotKey, &GlobalHotKey::unavailable);
            QSignalSpy granted(&hotKey, &GlobalHotKey::granted);
            QCOMPARE(hotKey.grab(), std::nullopt);
            QTRY_VERIFY_WITH_TIMEOUT(hotKey.isBound(), activationTimeout);

            control(QStringLiteral("Assign"), {QStringLiteral("toggle"), QString()});
            QTRY_COMPARE(unavailable.size(), 1);
            QVERIFY(!hotKey.isBound());
            control(
                QStringLiteral("Assign"), {QStringLiteral("toggle"), QStringLiteral("Ctrl+F9")});
            QTRY_COMPARE(granted.size(), 2);
            QCOMPARE(hotKey.trigger(), QStringLiteral("Ctrl+F9"));
        }
        control(QStringLiteral("Quit"));
        QTRY_VERIFY(!bus->interface()->isServiceRegistered(portalService));
        QDBusConnection::disconnectFromBus(bus->name());
        bus = connectClient();

        PortalHotKey hotKey(*bus);
        QCOMPARE(hotKey.grab(), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(hotKey.isBound(), activationTimeout);
        QCOMPARE(hotKey.trigger(), QStringLiteral("Ctrl+F9"));
    }

    void aFailedBindingSaysWhy_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("reason");
        QTest::addRow("the user declined")
            << QStringLiteral("bindResponse") << QVariant(1) << QStringLiteral("cancelled");
        QTest::addRow("a portal without global shortcuts") << QStringLiteral(
            "shortcuts") << QVariant(false) << QStringLiteral("portal has no global shortcuts");
    }

    void aFailedBindingSaysWhy()
    {
        QFETCH(QString, setting);
        QFETCH(QVariant, value);
        QFETCH(QString, reason);
        QSettings(storePath(), QSettings::IniFormat).setValue(setting, value);
        FakeDefaults defaults;
        FakeScreens screens;
        DesktopPresentation presentation;
        PortalHotKey hotKey(*bus);
        DashboardController controller(
            defaults, {&screens, &presentation, &hotKey, nullptr, {}}, {});
        QSignalSpy unavailable(&controller, &DashboardController::hotKeyUnavailable);
        QCOMPARE(controller.start(), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(unavailable.size(), 1, activationTimeout);
        const QString said = unavailable.constFirst().constFirst().toString();
        QVERIFY2(said.contains(reason), qPrintable(said));
        QVERIFY(!hotKey.isBound());
        QVERIFY(!hotKey.isPending());
        controller.toggle();
        QVERIFY(controller.isVisible());
    }

    void noSessionBusFailsAtOnce()
    {
        PortalHotKey hotKey(QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere")));
        const std::optional<QString> failure = hotKey.grab();
        QVERIFY(failure);
        QVERIFY2(failure->contains(QLatin1String("session bus")), qPrintable(*failure));
    }
};

int main(int argc, char *argv[])
{
    if (argc > 2 && qstrcmp(argv[1], "--fake-portal") == 0)
        return runFakePortal(argc, argv);
    QApplication app(argc, argv);
    TestPortal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portal.moc"
