#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Where a quick link leads: a folder shown in the file browser or a program started on its own.
struct LinkTarget
{
    enum class Kind { folder, program };

    Kind kind = Kind::folder;
    // The folder's path, or the program's executable; empty when none was found.
    QString path;

    friend bool operator==(const LinkTarget &, const LinkTarget &) = default;
};

// Opens quick links for the desktop session.
class LinkOpener
{
public:
    virtual ~LinkOpener() = default;

    // True when the folder was handed to the file browser or the program started.
    virtual bool open(const LinkTarget &target) = 0;
};

// Folders through QDesktopServices, programs through QProcess::startDetached.
class DesktopLinkOpener final : public LinkOpener
{
public:
    bool open(const LinkTarget &target) override;
};

// The places the quick links lead to on this machine.
struct LinkPlaces
{
    QString applications;
    std::optional<QString> downloads;
    std::optional<QString> documents;
    // Empty when no desktop settings program is on PATH; opening it then fails.
    QString settingsProgram;

    static LinkPlaces current();
};

// The first desktop settings program found in `searchPaths` (PATH when empty).
QString findSettingsProgram(const QStringList &searchPaths = {});
