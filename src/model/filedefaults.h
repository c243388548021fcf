#pragma once

#include "defaults.h"

// One file per key under a directory, normally $XDG_CONFIG_HOME/corvina. Each write
// goes to a temporary file that is synced and renamed over the old one.
class FileDefaults final : public Defaults
{
public:
    explicit FileDefaults(QString directory);

    // $XDG_CONFIG_HOME/corvina, or ~/.config/corvina.
    static QString standardDirectory();
    // Bytes outside [A-Za-z0-9._-] become %XX, so any key is a safe file name.
    static QString fileNameForKey(const QString &key);

    QString directory() const { return m_directory; }
    QString pathForKey(const QString &key) const;

    std::optional<QByteArray> read(const QString &key) const override;
    bool write(const QString &key, const QByteArray &value) override;

private:
    QString m_directory;
};
