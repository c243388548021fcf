#include "portalhotkey.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

QString newToken()
{
    return QStringLiteral("corvina%1").arg(QRandomGenerator::global()->generate());
}

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

PortalHotKey::PortalHotKey(QDBusConnection bus, QObject *parent)
    : GlobalHotKey(parent)
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalHotKey::~PortalHotKey()
{
    release();
}

std::optional<QString> PortalHotKey::grab()
{
    if (m_active)
        return std::nullopt;
    if (!m_bus.isConnected())
        return QStringLiteral("there is no session bus");
    if (!m_bus.interface()->isServiceRegistered(portalService))
        return QStringLiteral("the desktop has no portal for global shortcuts");
    m_active = true;
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
        SLOT(shortcutActivated(QDBusMessage)));
    request(QStringLiteral("CreateSession"),
        {QVariantMap {{QStringLiteral("session_handle_token"), newToken()}}},
        SLOT(sessionCreated(uint, QVariantMap)));
    return std::nullopt;
}

void PortalHotKey::release()
{
    if (!m_active)
        return;
    m_active = false;
    m_bound = false;
    m_bus.disconnect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"),
        this, SLOT(shortcutActivated(QDBusMessage)));
    if (!m_requestPath.isEmpty()) {
        m_bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"),
            this, m_responseSlot);
        m_requestPath.clear();
    }
    if (!m_session.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(portalService, m_session,
            QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
        m_session.clear();
    }
}

void PortalHotKey::request(
    const QString &method, QList<QVariant> arguments, const char *responseSlot)
{
    // The request object's path is known in advance, so the answer cannot slip past
    // before we listen for it.
    const QString token = newToken();
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    if (!m_requestPath.isEmpty())
        m_bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"),
            this, m_responseSlot);
    m_requestPath = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    m_responseSlot = responseSlot;
    m_bus.connect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
        responseSlot);

    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    QDBusMessage call
        = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, method](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *finished;
            if (reply.isError())
                fail(QStringLiteral("the portal refused %1: %2")
                         .arg(method, reply.error().message()));
        });
}

void PortalHotKey::sessionCreated(uint response, const QVariantMap &results)
{
    if (!m_active)
        return;
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                     : handle.toString();
    if (response != 0 || m_session.isEmpty()) {
        fail(QStringLiteral("the portal did not open a session"));
        return;
    }
    const QList<PortalShortcut> shortcuts {{QString::fromLatin1(shortcutId),
        {{QStringLiteral("description"), QStringLiteral("Open or close Corvina")},
            {QStringLiteral("preferred_trigger"), QStringLiteral("F12")}}}};
    request(QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString(),
            QVariantMap()},
        SLOT(shortcutsBound(uint, QVariantMap)));
}

void PortalHotKey::shortcutsBound(uint response, const QVariantMap &)
{
    if (!m_active)
        return;
    if (response != 0) {
        fail(QStringLiteral("the desktop did not bind F12"));
        return;
    }
    m_bound = true;
}

void PortalHotKey::shortcutActivated(const QDBusMessage &message)
{
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> arguments = message.arguments();
    if (!m_bound || arguments.size() < 2)
        return;
    const QString session = arguments.at(0).value<QDBusObjectPath>().path();
    if (session == m_session && arguments.at(1).toString() == QLatin1String(shortcutId))
        Q_EMIT activated();
}

void PortalHotKey::fail(const QString &reason)
{
    if (!m_active)
        return;
    release();
    Q_EMIT unavailable(reason);
}
