#include "linkopener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

const char *const settingsPrograms[] = {
    "gnome-control-center",
    "systemsettings",
    "xfce4-settings-manager",
    "mate-control-center",
    "cinnamon-settings",
    "lxqt-config",
};

std::optional<QString> firstLocation(QStandardPaths::StandardLocation location)
{
    const QStringList paths = QStandardPaths::standardLocations(location);
    if (paths.isEmpty() || paths.first().isEmpty())
        return std::nullopt;
    return paths.first();
}

} // namespace

bool DesktopLinkOpener::open(const LinkTarget &target)
{
    if (target.path.isEmpty())
        return false;
    switch (target.kind) {
    case LinkTarget::Kind::folder:
        // The file browser is started detached and would report a missing folder only in
        // its own window, so check here where the failure can still be shown.
        if (!QFileInfo(target.path).isDir())
            return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(target.path));
    case LinkTarget::Kind::program:
        return QProcess::startDetached(target.path, {});
    }
    return false;
}

LinkPlaces LinkPlaces::current()
{
    return {
        QStringLiteral("/usr/share/applications"),
        firstLocation(QStandardPaths::DownloadLocation),
        firstLocation(QStandardPaths::DocumentsLocation),
        findSettingsProgram(),
    };
}

QString findSettingsProgram(const QStringList &searchPaths)
{
    for (const char *name : settingsPrograms) {
        const QString found
            = QStandardPaths::findExecutable(QString::fromLatin1(name), searchPaths);
        if (!found.isEmpty())
            return found;
    }
    return {};
}
