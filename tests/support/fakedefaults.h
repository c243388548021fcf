#pragma once

#include "defaults.h"

#include <QHash>

// In memory, counting writes per key, with writes that can be made to fail.
class FakeDefaults final : public Defaults
{
public:
    std::optional<QByteArray> read(const QString &key) const override
    {
        const auto it = m_values.constFind(key);
        if (it == m_values.constEnd())
            return std::nullopt;
        return *it;
    }
    bool write(const QString &key, const QByteArray &value) override
    {
        if (m_failWrites)
            return false;
        m_values.insert(key, value);
        ++m_writes[key];
        ++m_totalWrites;
        return true;
    }

    int writes(const QString &key) const { return m_writes.value(key); }
    int totalWrites() const { return m_totalWrites; }
    void resetCounts()
    {
        m_writes.clear();
        m_totalWrites = 0;
    }
    void setFailWrites(bool fail) { m_failWrites = fail; }
    const QHash<QString, QByteArray> &values() const { return m_values; }

private:
    QHash<QString, QByteArray> m_values;
    QHash<QString, int> m_writes;
    int m_totalWrites = 0;
    bool m_failWrites = false;
};
