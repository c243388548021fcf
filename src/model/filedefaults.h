#pragma once

#include "defaults.h"

// One file per key under a directory, normally $XDG_CONFIG_HOME/corvina, readable by the
// user alone. Each write goes to a temporary file that is synced and renamed over the old
// one. Only regular files are read, so a FIFO or a device in the way never blocks.
class FileDefaults final : public Defaults
{
public:
    // Far above any real arrangement; a larger file is reported, not read.
    static constexpr qint64 maximumSize = qint64(256) << 20;

    explicit FileDefaults(QString directory);

    // $XDG_CONFIG_HOME/corvina, or ~/.config/corvina.
    static QString standardDirectory();
    // Bytes outside [A-Za-z0-9._-] become %XX, so any key is a safe file name.
    static QString fileNameForKey(const QString &key);
    // Whether a file name is one of our temporary files (never a key's file name).
    static bool isTemporaryFileName(const QString &fileName);

    QString directory() const { return m_directory; }
    QString pathForKey(const QString &key) const;

    /// Makes an existing directory private (0700, files without group and other access)
    /// and removes temporary files that a killed save left behind. Run once at start.
    DefaultsStatus tidy();

    DefaultsValue load(const QString &key) const override;
    DefaultsStatus write(const QString &key, const QByteArray &value) override;
    DefaultsStatus rename(const QString &from, const QString &to) override;
    bool writesOnAnyThread() const override { return true; }

private:
    DefaultsStatus makeDirectory() const;

    QString m_directory;
};
