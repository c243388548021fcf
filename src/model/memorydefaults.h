#pragma once

#include "defaults.h"

#include <QHash>

// Values kept in memory only: a private copy of stored arrangements that must never be
// written back, as when dashboards are rendered to pictures.
class MemoryDefaults : public Defaults
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
        m_values.insert(key, value);
        return true;
    }
    const QHash<QString, QByteArray> &values() const { return m_values; }

private:
    QHash<QString, QByteArray> m_values;
};
