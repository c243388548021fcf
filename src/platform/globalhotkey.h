#pragma once

#include <QObject>
#include <QString>
#include <optional>

// The system-wide F12 key without modifiers.
class GlobalHotKey : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// Takes the key. Returns why it could not, or nothing on success.
    [[nodiscard]] virtual std::optional<QString> grab() = 0;
    virtual void release() = 0;
    // grab() succeeded but the desktop has yet to answer with granted() or unavailable().
    virtual bool isPending() const { return false; }

Q_SIGNALS:
    // One per press; a held key counts once.
    void activated();
    // A pending grab() was granted, or a lost key given back.
    void granted();
    // The key was granted by grab() but is lost or refused later.
    void unavailable(const QString &reason);
};

// For platforms where a client cannot take a global key.
class NullHotKey final : public GlobalHotKey
{
    Q_OBJECT

public:
    explicit NullHotKey(QString reason, QObject *parent = nullptr)
        : GlobalHotKey(parent)
        , m_reason(std::move(reason))
    { }
    std::optional<QString> grab() override { return m_reason; }
    void release() override { }

private:
    QString m_reason;
};
