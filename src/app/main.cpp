#include "appshell.h"
#include "autostart.h"
#include "commandline.h"
#include "dashboardrenderer.h"
#include "desktopplatform.h"
#include "filedefaults.h"
#include "instancechannel.h"
#include "linkopener.h"
#include "pasteboard.h"
#include "quitsignals.h"
#include "waylandlayershell.h"

#include <QApplication>
#include <QTemporaryFile>
#include <QThread>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("corvina"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVINA_VERSION));
}

int fail(const QString &message)
{
    std::fprintf(stderr, "corvina: %s\n", qPrintable(message));
    return 1;
}

// Asks the running instance; a later start that only talks needs no GUI at all.
int sendToRunning(const QString &command)
{
    QString error;
    const std::optional<QString> directory = InstanceChannel::directory(&error);
    if (!directory)
        return fail(error);
    if (const auto failure
        = InstanceChannel::send(InstanceChannel::socketPath(*directory), command))
        return fail(QStringLiteral("cannot %1: %2.").arg(command, *failure));
    return 0;
}

int runBackgroundApp(
    int argc, char *argv[], const std::optional<QString> &directory, const QString &fallbackReason)
{
    LayerShell::install();
    const bool choseWayland = DesktopPlatform::preferWayland();
    QApplication app(argc, argv);
    if (choseWayland)
        qunsetenv("QT_QPA_PLATFORM");
    setNames();
    QGuiApplication::setDesktopFileName(QStringLiteral("corvina"));
    QApplication::setQuitOnLastWindowClosed(false);

    FileDefaults defaults(FileDefaults::standardDirectory());
    if (const DefaultsStatus tidied = defaults.tidy(); !tidied)
        std::fprintf(stderr, "corvina: cannot make %s private: %s\n", qPrintable(tidied.path),
            qPrintable(tidied.reason));
    DesktopPlatform platform = DesktopPlatform::create();
    if (DesktopPlatform::isXWayland())
        std::fprintf(stderr,
            "corvina: running through XWayland, so F12 reaches Corvina only while an X11 window "
            "has focus; install qt6-wayland and leave QT_QPA_PLATFORM unset, or %s.\n",
            AppShell::bindingAdvice(AppShell::currentDesktop()).toUtf8().constData());
    OverlayPlatform overlay {platform.screens.get(), platform.presentation.get(),
        platform.hotKey.get(), platform.windowHints.get(), platform.screenCapture.get()};
    SystemPasteboard pasteboard;
    DesktopLinkOpener linkOpener;
    AppShell shell(defaults, overlay, FaceServices {&pasteboard, &linkOpener});

    std::unique_ptr<InstanceServer> server;
    if (directory) {
        server = std::make_unique<InstanceServer>(
            *directory, [&shell](const QString &command) { return shell.handleCommand(command); });
        QString error;
        switch (server->listen(&error)) {
        case InstanceServer::Result::Listening:
            // Said by the instance that runs only, not by every command sent to it.
            if (!fallbackReason.isEmpty())
                std::fprintf(stderr, "corvina: using %s instead of $XDG_RUNTIME_DIR: %s.\n",
                    qPrintable(*directory), qPrintable(fallbackReason));
            break;
        case InstanceServer::Result::AlreadyRunning:
            // Another start holds the lock; it may still be setting up its socket.
            for (int attempt = 0; attempt < 20; ++attempt) {
                if (!InstanceChannel::send(server->socketPath(), QStringLiteral("show"), 3000))
                    return 0;
                QThread::msleep(100);
            }
            return fail(QStringLiteral("another Corvina is starting but does not answer."));
        case InstanceServer::Result::Failed:
            std::fprintf(stderr, "corvina: the command line will not reach this instance: %s\n",
                qPrintable(error));
            server.reset();
            break;
        }
    }

    quitOnTerminationSignals(&app);
    shell.start(server ? *directory : QString());
    return app.exec();
}

// Lays out every screen's dashboard offscreen and writes the pictures; no instance needed.
int renderDashboards(int argc, char *argv[], const CommandLine &command)
{
    const auto headless = DashboardRenderer::useHeadlessPlatformIfNeeded();
    QApplication app(argc, argv);
    setNames();
    const DashboardRenderer::Result result
        = DashboardRenderer::renderScreens(command.renderDirectory, command.renderGallery);
    for (const QString &path : result.written)
        std::printf("%s\n", qPrintable(path));
    if (!result.error.isEmpty())
        return fail(result.error);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // Screen-sized buffers live only while the overlay shows. Left to itself, glibc raises
    // its mmap threshold past their size once one is freed, after which they come from the
    // heap and stay resident while hidden.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    std::optional<QString> directory;
    QString fallbackReason;
    std::optional<CommandLine> render;
    {
        QCoreApplication core(argc, argv);
        setNames();
        QCommandLineParser parser;
        const CommandLine command = CommandLine::parse(parser, QCoreApplication::arguments());
        if (!command.error.isEmpty()) {
            std::fprintf(stderr, "corvina: %s\n", qPrintable(command.error));
            return 2;
        }
        switch (command.action) {
        case CommandLine::Action::Help:
            std::fputs(qPrintable(parser.helpText()), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::puts("corvina " CORVINA_VERSION);
            return 0;
        case CommandLine::Action::Toggle:
        case CommandLine::Action::Show:
        case CommandLine::Action::Hide:
        case CommandLine::Action::Quit:
            return sendToRunning(CommandLine::remoteCommand(command.action));
        case CommandLine::Action::Autostart:
            if (const auto failure = Autostart::set(command.autostart, Autostart::directory(),
                    QCoreApplication::applicationFilePath()))
                return fail(*failure);
            std::puts(command.autostart ? "Corvina will start when you log in."
                                        : "Corvina will no longer start when you log in.");
            return 0;
        case CommandLine::Action::Render:
            render = command;
            break;
        case CommandLine::Action::Run:
            break;
        }
        if (!render) {
            // Started again while one runs: show its overlay and leave.
            QString error;
            directory = InstanceChannel::directory(&error, &fallbackReason);
            if (!directory)
                std::fprintf(stderr, "corvina: %s\n", qPrintable(error));
            else if (!InstanceChannel::send(
                         InstanceChannel::socketPath(*directory), QStringLiteral("show"), 1000))
                return 0;
        }
    }
    if (render)
        return renderDashboards(argc, argv, *render);
    return runBackgroundApp(argc, argv, directory, fallbackReason);
}
