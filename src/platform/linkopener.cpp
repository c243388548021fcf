#include "linkopener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <memory>

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

DesktopLinkOpener::DesktopLinkOpener(QObject *parent)
    : QObject(parent)
{ }

void DesktopLinkOpener::open(const LinkTarget &target, std::function<void(bool opened)> done)
{
    if (target.path.isEmpty()) {
        done(false);
        return;
    }
    if (target.kind == LinkTarget::Kind::program) {
        done(QProcess::startDetached(target.path, {}));
        return;
    }
    // The file browser would report a missing folder only in its own window, so check
    // here where the failure can still be shown.
    if (!QFileInfo(target.path).isDir()) {
        done(false);
        return;
    }
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty()) {
        done(QDesktopServices::openUrl(QUrl::fromLocalFile(target.path)));
        return;
    }
    // xdg-open says through its exit whether anything took the folder (3: no handler).
    auto *process = new QProcess(this);
    auto *grace = new QTimer(process);
    auto answer = std::make_shared<std::function<void(bool)>>(std::move(done));
    const auto settle = [answer](bool opened) {
        if (*answer)
            std::exchange(*answer, nullptr)(opened);
    };
    grace->setSingleShot(true);
    connect(grace, &QTimer::timeout, this, [settle] { settle(true); });
    connect(process, &QProcess::finished, this,
        [process, settle](int code, QProcess::ExitStatus status) {
            settle(status == QProcess::NormalExit && code == 0);
            process->deleteLater();
        });
    connect(
        process, &QProcess::errorOccurred, this, [process, settle](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                settle(false);
                process->deleteLater();
            }
        });
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(launcher, {target.path});
    grace->start(launcherGraceMs);
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
