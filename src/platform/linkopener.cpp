#include "linkopener.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// `done`, called with the first answer only.
std::function<void(bool)> once(std::function<void(bool)> done)
{
    auto answer = std::make_shared<std::function<void(bool)>>(std::move(done));
    return [answer](bool opened) {
        if (*answer)
            std::exchange(*answer, nullptr)(opened);
    };
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
        startProgram(target.path, std::move(done));
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
    const auto settle = once(std::move(done));
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

void DesktopLinkOpener::startProgram(const QString &program, std::function<void(bool)> done)
{
    // A child of ours rather than a detached grandchild, so that its exit tells whether it
    // failed at once (a settings program outside its desktop); in a session of its own, so
    // it outlives Corvina.
    const QByteArray path = QFile::encodeName(program);
    char *const argv[] = {const_cast<char *>(path.constData()), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.constData(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        done(false);
        return;
    }
    // Through syscall(): Debian 12's <sys/pidfd.h> lacks C linkage for C++.
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        // A kernel without pidfds: it started, and a thread reaps it whenever it ends.
        std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
        done(true);
        return;
    }
    const auto settle = once(std::move(done));
    auto *ended = new QSocketNotifier(qintptr(pidfd), QSocketNotifier::Read, this);
    auto *grace = new QTimer(ended);
    grace->setSingleShot(true);
    connect(grace, &QTimer::timeout, this, [settle] { settle(true); });
    connect(ended, &QSocketNotifier::activated, this, [ended, pidfd, settle] {
        siginfo_t info {};
        const int waited = ::waitid(P_PIDFD, id_t(pidfd), &info, WEXITED | WNOHANG);
        if (waited == 0 && info.si_pid == 0)
            return; // not ended after all
        // Reaped elsewhere (SIGCHLD ignored) counts as started.
        settle(waited != 0 || (info.si_code == CLD_EXITED && info.si_status == 0));
        ended->setEnabled(false);
        ::close(pidfd);
        ended->deleteLater();
    });
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
