#pragma once

#include "defaults.h"

#include <QHash>

// Values kept in memory only: a private copy of stored arrangements that must never be
// written back, as when dashboards are rendered to pictures.
class MemoryDefaults : public Defaults
{
public:
    DefaultsValue load(const QString &key) const override
    {
        const auto it = m_values.constFind(key);
        if (it == m_values.constEnd())
            return {};
        return {*it, {}};
    }
    DefaultsStatus write(const QString &key, const QByteArray &value) override
    {
        m_values.insert(key, value);
        return {};
    }
    DefaultsStatus rename(const QString &from, const QString &to) override
    {
        if (m_values.contains(to) || !m_values.contains(from))
            return DefaultsStatus::failed(from, QStringLiteral("cannot rename to %1").arg(to));
        m_values.insert(to, m_values.take(from));
        return {};
    }
    const QHash<QString, QByteArray> &values() const { return m_values; }

private:
    QHash<QString, QByteArray> m_values;
};
