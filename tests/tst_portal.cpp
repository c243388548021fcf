// The Wayland hot key through a fake GlobalShortcuts portal on a private session bus.

#include "dashboardcontroller.h"
#include "desktoppresentation.h"
#include "fakedefaults.h"
#include "fakescreens.h"
#include "portalhotkey.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

class FakeSession : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")

public:
    int closed = 0;

public Q_SLOTS:
    void Close() { ++closed; }
};

// Answers like xdg-desktop-portal: a request object path at once, the result later as a
// Response signal on that path.
class FakePortal
    : public QObject
    , protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")

public:
    explicit FakePortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    { }

    QStringList calls;
    QVariantMap createOptions;
    QList<PortalShortcut> shortcuts;
    uint bindResponse = 0;
    FakeSession session;
    const QString sessionPath = portalPath + QStringLiteral("/session/1_1/corvina");

    void activate(const QString &id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath,
            QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(sessionPath)) << id << qulonglong(1)
               << QVariantMap();
        m_bus.send(signal);
    }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options)
    {
        calls << QStringLiteral("CreateSession");
        createOptions = options;
        m_bus.registerObject(sessionPath, &session, QDBusConnection::ExportAllSlots);
        return respond(options, 0, {{QStringLiteral("session_handle"), sessionPath}});
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath &session, const QList<PortalShortcut> &list,
        const QString &, const QVariantMap &options)
    {
        calls << QStringLiteral("BindShortcuts ") + session.path();
        shortcuts = list;
        return respond(options, bindResponse, {});
    }

private:
    QDBusObjectPath respond(const QVariantMap &options, uint response, const QVariantMap &results)
    {
        QString sender = message().service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/')
            + options.value(QStringLiteral("handle_token")).toString();
        QMetaObject::invokeMethod(
            this,
            [this, path, response, results] {
                QDBusMessage signal = QDBusMessage::createSignal(path,
                    QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
                signal << response << results;
                m_bus.send(signal);
            },
            Qt::QueuedConnection);
        return QDBusObjectPath(path);
    }

    QDBusConnection m_bus;
};

} // namespace

class TestPortal : public QObject
{
    Q_OBJECT

private:
    QProcess daemon;
    QString address;
    int connections = 0;
    std::unique_ptr<FakePortal> portal;
    std::optional<QDBusConnection> portalBus;
    std::optional<QDBusConnection> clientBus;

    QDBusConnection connect(const QString &name)
    {
        return QDBusConnection::connectToBus(address, name + QString::number(++connections));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        daemon.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"),
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
        portalBus = connect(QStringLiteral("portal"));
        QVERIFY(portalBus->isConnected());
        portal = std::make_unique<FakePortal>(*portalBus);
        QVERIFY(
            portalBus->registerObject(portalPath, portal.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(portalBus->registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        clientBus = connect(QStringLiteral("client"));
        QVERIFY(clientBus->isConnected());
    }

    void cleanup()
    {
        QDBusConnection::disconnectFromBus(clientBus->name());
        QDBusConnection::disconnectFromBus(portalBus->name());
        clientBus.reset();
        portalBus.reset();
        portal.reset();
    }

    void f12IsBoundAndActivationTogglesTheOverlay()
    {
        FakeDefaults defaults;
        FakeScreens screens;
        DesktopPresentation presentation;
        PortalHotKey hotKey(*clientBus);
        DashboardController controller(
            defaults, {&screens, &presentation, &hotKey, nullptr, {}}, {});
        QCOMPARE(controller.start(), std::nullopt);
        QTRY_VERIFY(hotKey.isBound());

        QCOMPARE(portal->calls.size(), 2);
        QCOMPARE(portal->calls.at(0), QStringLiteral("CreateSession"));
        QCOMPARE(portal->calls.at(1), QStringLiteral("BindShortcuts ") + portal->sessionPath);
        QVERIFY(portal->createOptions.contains(QStringLiteral("session_handle_token")));
        QCOMPARE(portal->shortcuts.size(), 1);
        const PortalShortcut &shortcut = portal->shortcuts.constFirst();
        QCOMPARE(shortcut.id, QStringLiteral("toggle"));
        QCOMPARE(shortcut.properties.value(QStringLiteral("description")).toString(),
            QStringLiteral("Open or close Corvina"));
        QCOMPARE(shortcut.properties.value(QStringLiteral("preferred_trigger")).toString(),
            QStringLiteral("F12"));

        portal->activate(QStringLiteral("toggle"));
        QTRY_VERIFY(controller.isVisible());
        portal->activate(QStringLiteral("something-else"));
        portal->activate(QStringLiteral("toggle"));
        QTRY_VERIFY(!controller.isVisible());

        controller.stop();
        QTRY_COMPARE(portal->session.closed, 1);
    }

    void aRefusedBindingFallsBack()
    {
        portal->bindResponse = 1; // the user said no
        FakeDefaults defaults;
        FakeScreens screens;
        DesktopPresentation presentation;
        PortalHotKey hotKey(*clientBus);
        DashboardController controller(
            defaults, {&screens, &presentation, &hotKey, nullptr, {}}, {});
        QSignalSpy unavailable(&controller, &DashboardController::hotKeyUnavailable);
        QCOMPARE(controller.start(), std::nullopt);
        QTRY_COMPARE(unavailable.size(), 1);
        QVERIFY(!hotKey.isBound());
        controller.toggle();
        QVERIFY(controller.isVisible());
    }

    void aMissingPortalFallsBackAtOnce()
    {
        QVERIFY(portalBus->unregisterService(QStringLiteral("org.freedesktop.portal.Desktop")));
        PortalHotKey hotKey(*clientBus);
        const std::optional<QString> failure = hotKey.grab();
        QVERIFY(failure);
        QVERIFY2(failure->contains(QLatin1String("portal")), qPrintable(*failure));
        QVERIFY(portal->calls.isEmpty());
    }
};

QTEST_MAIN(TestPortal)
#include "tst_portal.moc"
