#pragma once

#include <QByteArray>
#include <QHash>
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
};

// In memory, for tests and benchmarks. Counts writes per key.
class MemoryDefaults final : public Defaults
{
public:
    DefaultsValue load(const QString &key) const override
    {
        if (const auto error = m_loadErrors.constFind(key); error != m_loadErrors.constEnd())
            return {std::nullopt, DefaultsStatus::failed(key, *error)};
        const auto it = m_values.constFind(key);
        if (it == m_values.constEnd())
            return {};
        return {*it, {}};
    }
    DefaultsStatus write(const QString &key, const QByteArray &value) override
    {
        if (m_failWrites)
            return DefaultsStatus::failed(key, QStringLiteral("No space left on device"));
        m_values.insert(key, value);
        ++m_writes[key];
        ++m_totalWrites;
        return {};
    }
    DefaultsStatus rename(const QString &from, const QString &to) override
    {
        if (m_failRenames)
            return DefaultsStatus::failed(from, QStringLiteral("Read-only file system"));
        if (m_values.contains(to))
            return DefaultsStatus::failed(from, QStringLiteral("File exists"));
        if (!m_values.contains(from))
            return DefaultsStatus::failed(from, QStringLiteral("No such file or directory"));
        m_values.insert(to, m_values.take(from));
        return {};
    }

    int writes(const QString &key) const { return m_writes.value(key); }
    int totalWrites() const { return m_totalWrites; }
    void resetCounts()
    {
        m_writes.clear();
        m_totalWrites = 0;
    }
    void setFailWrites(bool fail) { m_failWrites = fail; }
    void setFailRenames(bool fail) { m_failRenames = fail; }
    // Makes `key` read as present but unreadable, for `reason`; an empty reason clears it.
    void setLoadError(const QString &key, const QString &reason)
    {
        if (reason.isEmpty())
            m_loadErrors.remove(key);
        else
            m_loadErrors.insert(key, reason);
    }
    const QHash<QString, QByteArray> &values() const { return m_values; }

private:
    QHash<QString, QByteArray> m_values;
    QHash<QString, QString> m_loadErrors;
    QHash<QString, int> m_writes;
    int m_totalWrites = 0;
    bool m_failWrites = false;
    bool m_failRenames = false;
};
