#pragma once

#include "defaults.h"

#include <QHash>

// In memory, counting writes per key, with reads, writes and renames that can be made to
// fail as a full disk, a read-only folder or an unreadable file would.
class FakeDefaults final : public Defaults
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
