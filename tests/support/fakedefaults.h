#pragma once

#include "memorydefaults.h"

// Counts writes per key, and fails them when told to.
class FakeDefaults final : public MemoryDefaults
{
public:
    bool write(const QString &key, const QByteArray &value) override
    {
        if (m_failWrites)
            return false;
        ++m_writes[key];
        ++m_totalWrites;
        return MemoryDefaults::write(key, value);
    }

    int writes(const QString &key) const { return m_writes.value(key); }
    int totalWrites() const { return m_totalWrites; }
    void resetCounts()
    {
        m_writes.clear();
        m_totalWrites = 0;
    }
    void setFailWrites(bool fail) { m_failWrites = fail; }

private:
    QHash<QString, int> m_writes;
    int m_totalWrites = 0;
    bool m_failWrites = false;
};
