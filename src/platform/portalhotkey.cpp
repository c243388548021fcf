#include "portalhotkey.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <algorithm>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString registryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

// What a failed portal call means for the user, in words.
QString describe(const QDBusError &error, const QString &method)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return QStringLiteral("no desktop portal runs or can be started on the session bus");
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
        return QStringLiteral("this desktop's portal has no global shortcuts");
    default:
        return QStringLiteral("the desktop portal failed %1: %2").arg(method, error.message());
    }
}

// The Response code of a request: 1 the user cancelled, anything else the desktop failed.
QString describeRefusal(uint response, const QString &what)
{
    return response == 1 ? QStringLiteral("the request to %1 was cancelled").arg(what)
                         : QStringLiteral("the desktop could not %1").arg(what);
}

QList<PortalShortcut> shortcutList(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QList<PortalShortcut>>(value.value<QDBusArgument>());
    return value.value<QList<PortalShortcut>>();
}

QList<PortalShortcut>::const_iterator find(const QList<PortalShortcut> &shortcuts)
{
    return std::find_if(shortcuts.cbegin(), shortcuts.cend(), [](const PortalShortcut &shortcut) {
        return shortcut.id == QLatin1String(PortalHotKey::shortcutId);
    });
}

bool contains(const QList<PortalShortcut> &shortcuts)
{
    return find(shortcuts) != shortcuts.cend();
}

QString pathOf(const QVariant &value)
{
    return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                               : value.toString();
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
        return QStringLiteral("there is no D-Bus session bus");
    m_active = true;
    m_lost = false;
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
        SLOT(shortcutActivated(QDBusMessage)));
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"),
        this, SLOT(shortcutsChanged(QDBusMessage)));

    // Never ask whether the portal runs: the call itself lets D-Bus start it. Naming the app
    // first lets the desktop file its shortcuts under "corvina"; portals without the registry
    // (before 1.19) or a second registration on this connection answer with an error that
    // changes nothing.
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, registryInterface, QStringLiteral("Register"));
    call << QString::fromLatin1(appId) << QVariantMap();
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            if (!m_active || !m_session.isEmpty() || !m_requestPath.isEmpty())
                return;
            const QDBusError error = finished->error();
            if (error.type() == QDBusError::ServiceUnknown
                || error.type() == QDBusError::Disconnected)
                fail(describe(error, QStringLiteral("Register")));
            else
                createSession();
        });
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
    m_bus.disconnect(portalService, portalPath, shortcutsInterface,
        QStringLiteral("ShortcutsChanged"), this, SLOT(shortcutsChanged(QDBusMessage)));
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

void PortalHotKey::createSession()
{
    request(QStringLiteral("CreateSession"),
        {QVariantMap {{QStringLiteral("session_handle_token"), QString::fromLatin1(sessionToken)}}},
        SLOT(sessionCreated(uint, QVariantMap)));
}

void PortalHotKey::request(
    const QString &method, QList<QVariant> arguments, const char *responseSlot)
{
    // The request object's path is known in advance, so the answer cannot slip past
    // before we listen for it.
    const QString token = QStringLiteral("corvina%1").arg(++m_requests);
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
                fail(describe(reply.error(), method));
        });
}

void PortalHotKey::sessionCreated(uint response, const QVariantMap &results)
{
    if (!m_active)
        return;
    m_session = pathOf(results.value(QStringLiteral("session_handle")));
    if (response != 0 || m_session.isEmpty()) {
        fail(describeRefusal(response, QStringLiteral("open a global shortcuts session")));
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

void PortalHotKey::shortcutsBound(uint response, const QVariantMap &results)
{
    if (!m_active)
        return;
    if (response != 0) {
        fail(describeRefusal(response, QStringLiteral("bind the shortcut")));
        return;
    }
    m_bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"),
        this, m_responseSlot);
    m_requestPath.clear();
    // A portal that leaves the list out has bound what it was given.
    const QList<PortalShortcut> shortcuts = results.contains(QStringLiteral("shortcuts"))
        ? shortcutList(results.value(QStringLiteral("shortcuts")))
        : QList<PortalShortcut> {{QString::fromLatin1(shortcutId), {}}};
    if (!contains(shortcuts)) {
        fail(QStringLiteral("the desktop answered without binding the shortcut"));
        return;
    }
    follow(shortcuts);
}

void PortalHotKey::follow(const QList<PortalShortcut> &shortcuts)
{
    const auto ours = find(shortcuts);
    const bool bound = ours != shortcuts.cend();
    m_trigger = bound ? ours->properties.value(QStringLiteral("trigger_description")).toString()
                      : QString();
    if (bound == m_bound)
        return;
    m_bound = bound;
    if (bound) {
        m_lost = false;
        Q_EMIT granted();
    } else {
        // The user took the shortcut away in the desktop's settings. The session stays open,
        // so giving it back there works again at once.
        m_lost = true;
        Q_EMIT unavailable(QStringLiteral("the shortcut was removed in the desktop's settings"));
    }
}

bool PortalHotKey::isOurs(const QDBusMessage &message) const
{
    return !m_session.isEmpty() && !message.arguments().isEmpty()
        && pathOf(message.arguments().constFirst()) == m_session;
}

void PortalHotKey::shortcutActivated(const QDBusMessage &message)
{
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    if (m_bound && isOurs(message) && message.arguments().size() >= 2
        && message.arguments().at(1).toString() == QLatin1String(shortcutId))
        Q_EMIT activated();
}

void PortalHotKey::shortcutsChanged(const QDBusMessage &message)
{
    // ShortcutsChanged(o session_handle, a(sa{sv}) shortcuts)
    if (m_active && m_requestPath.isEmpty() && isOurs(message) && message.arguments().size() >= 2)
        follow(shortcutList(message.arguments().at(1)));
}

void PortalHotKey::fail(const QString &reason)
{
    if (!m_active)
        return;
    release();
    Q_EMIT unavailable(reason);
}
