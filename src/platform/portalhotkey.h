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
// client cannot grab keys. The portal answers asynchronously (the desktop may ask the
// user first), so a refusal after grab() arrives as unavailable().
class PortalHotKey final : public GlobalHotKey
{
    Q_OBJECT

public:
    static constexpr const char *shortcutId = "toggle";

    explicit PortalHotKey(
        QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~PortalHotKey() override;

    std::optional<QString> grab() override;
    void release() override;

    bool isBound() const { return m_bound; }

private Q_SLOTS:
    void sessionCreated(uint response, const QVariantMap &results);
    void shortcutsBound(uint response, const QVariantMap &results);
    void shortcutActivated(const QDBusMessage &message);

private:
    // Calls a portal method whose answer comes as a Response signal on a request object.
    void request(const QString &method, QList<QVariant> arguments, const char *responseSlot);
    void fail(const QString &reason);

    QDBusConnection m_bus;
    QString m_requestPath;
    const char *m_responseSlot = nullptr;
    QString m_session;
    bool m_active = false;
    bool m_bound = false;
};
