#pragma once

#include "globalhotkey.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QVariantMap>

class QDBusArgument;

// One entry of the portal's a(sa{sv}) shortcut list.
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)
QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

// F12 through the desktop's org.freedesktop.portal.GlobalShortcuts, for Wayland, where a
// client cannot grab keys. The portal answers asynchronously (D-Bus may first have to start
// it, and the desktop may ask the user), so grab() only fails without a session bus; every
// later refusal arrives as unavailable(), a success as granted().
//
// The app id, the session token and the shortcut id never change, so the desktop files the
// user's choice of key under the same name at every start.
class PortalHotKey final : public GlobalHotKey
{
    Q_OBJECT

public:
    static constexpr const char *appId = "corvina";
    static constexpr const char *sessionToken = "corvina";
    static constexpr const char *shortcutId = "toggle";

    explicit PortalHotKey(
        QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~PortalHotKey() override;

    std::optional<QString> grab() override;
    void release() override;
    bool isPending() const override { return m_active && !m_bound && !m_lost; }

    bool isBound() const { return m_bound; }
    // The key the desktop shows for the shortcut ("F12"), when it says.
    QString trigger() const { return m_trigger; }

private Q_SLOTS:
    void sessionCreated(uint response, const QVariantMap &results);
    void shortcutsBound(uint response, const QVariantMap &results);
    void shortcutActivated(const QDBusMessage &message);
    void shortcutsChanged(const QDBusMessage &message);

private:
    void createSession();
    // Calls a portal method whose answer comes as a Response signal on a request object.
    void request(const QString &method, QList<QVariant> arguments, const char *responseSlot);
    void follow(const QList<PortalShortcut> &shortcuts);
    bool isOurs(const QDBusMessage &message) const;
    void fail(const QString &reason);

    QDBusConnection m_bus;
    QString m_requestPath;
    const char *m_responseSlot = nullptr;
    QString m_session;
    QString m_trigger;
    uint m_requests = 0;
    bool m_active = false;
    bool m_bound = false;
    // Granted once, then taken away in the desktop's settings.
    bool m_lost = false;
};
