#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// How an operation on the store went: success, or what failed and why.
struct [[nodiscard]] DefaultsStatus
{
    QString path; // what could not be read or written, as the user would look for it
    QString reason; // empty on success

    static DefaultsStatus ok() { return {}; }
    static DefaultsStatus failed(QString path, QString reason)
    {
        if (reason.isEmpty())
            reason = QStringLiteral("unknown error");
        return {std::move(path), std::move(reason)};
    }
    explicit operator bool() const { return reason.isEmpty(); }
};

// What reading a key found.
struct DefaultsValue
{
    std::optional<QByteArray> bytes; // the value, when one is there and could be read
    DefaultsStatus status; // failed when something is there that cannot be read
};

// The per-user key/value store that arrangements live in.
class Defaults
{
public:
    virtual ~Defaults() = default;

    /// What is stored under `key`: its bytes, nothing, or why what is there cannot be read.
    virtual DefaultsValue load(const QString &key) const = 0;
    /// The bytes stored under `key`, or nothing when there are none or they cannot be read.
    std::optional<QByteArray> read(const QString &key) const { return load(key).bytes; }
    /// Replaces the value under `key`. Either the old or the new value survives a crash.
    virtual DefaultsStatus write(const QString &key, const QByteArray &value) = 0;
    /// Moves the value under `from` to `to` without copying it, so it needs no free space.
    /// Fails, changing nothing, when `to` already holds a value.
    virtual DefaultsStatus rename(const QString &from, const QString &to) = 0;
    /// Whether write() may run on another thread, beside calls for other keys.
    virtual bool writesOnAnyThread() const { return false; }
};
