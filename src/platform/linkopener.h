#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
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

    // Starts opening `target` and calls `done` once, at once or when the launcher has
    // answered, with true when the folder was shown or the program started.
    virtual void open(const LinkTarget &target, std::function<void(bool opened)> done) = 0;
};

// Folders through xdg-open, whose exit tells whether a file browser took them (a
// launcher still running after `launcherGrace` has handed over and counts as opened);
// QDesktopServices where there is no xdg-open. Programs are started the same way: one that
// ends with a failure within `launcherGrace` did not open.
class DesktopLinkOpener final
    : public QObject
    , public LinkOpener
{
    Q_OBJECT

public:
    static constexpr int launcherGraceMs = 1500;

    explicit DesktopLinkOpener(QObject *parent = nullptr);
    void open(const LinkTarget &target, std::function<void(bool opened)> done) override;

private:
    void startProgram(const QString &program, std::function<void(bool opened)> done);
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
