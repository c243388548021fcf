#pragma once

#include "memorydefaults.h"

// Counts writes per key, and fails reads, writes and renames when told to, as an
// unreadable file, a full disk or a read-only folder would.
class FakeDefaults final : public MemoryDefaults
{
public:
    DefaultsValue load(const QString &key) const override
    {
        if (const auto error = m_loadErrors.constFind(key); error != m_loadErrors.constEnd())
            return {std::nullopt, DefaultsStatus::failed(key, *error)};
        return MemoryDefaults::load(key);
    }
    DefaultsStatus write(const QString &key, const QByteArray &value) override
    {
        if (m_failWrites)
            return DefaultsStatus::failed(key, QStringLiteral("No space left on device"));
        ++m_writes[key];
        ++m_totalWrites;
        return MemoryDefaults::write(key, value);
    }
    DefaultsStatus rename(const QString &from, const QString &to) override
    {
        if (m_failRenames)
            return DefaultsStatus::failed(from, QStringLiteral("Read-only file system"));
        return MemoryDefaults::rename(from, to);
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

private:
    QHash<QString, QString> m_loadErrors;
    QHash<QString, int> m_writes;
    int m_totalWrites = 0;
    bool m_failWrites = false;
    bool m_failRenames = false;
};
