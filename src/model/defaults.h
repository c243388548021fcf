#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The per-user key/value store that arrangements live in.
class Defaults
{
public:
    virtual ~Defaults() = default;

    /// The bytes stored under `key`, or nothing when the key holds no value or cannot be read.
    virtual std::optional<QByteArray> read(const QString &key) const = 0;
    /// Replaces the value under `key`. Either the old or the new value survives a crash.
    [[nodiscard]] virtual bool write(const QString &key, const QByteArray &value) = 0;
};
