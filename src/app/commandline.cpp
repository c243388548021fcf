#include "commandline.h"

#include <QCoreApplication>

namespace {

struct RemoteOption
{
    const char *name;
    const char *description;
    CommandLine::Action action;
};

constexpr RemoteOption remoteOptions[] = {
    {"toggle", "Open the overlay if it is closed, otherwise close it.",
        CommandLine::Action::Toggle},
    {"show", "Open the overlay.", CommandLine::Action::Show},
    {"hide", "Close the overlay.", CommandLine::Action::Hide},
    {"quit", "Quit the running Corvina.", CommandLine::Action::Quit},
};

} // namespace

CommandLine CommandLine::parse(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(
        QStringLiteral("Your widgets on every screen, one key away. Without options, starts "
                       "Corvina in the background, or opens the overlay of the one running."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const RemoteOption &option : remoteOptions)
        parser.addOption(
            {QString::fromLatin1(option.name), QString::fromLatin1(option.description)});

    const QCommandLineOption autostart(QStringLiteral("autostart"),
        QStringLiteral("Start Corvina when you log in, or stop doing so."),
        QStringLiteral("on|off"));
    parser.addOption(autostart);
    const QCommandLineOption render(QStringLiteral("render"),
        QStringLiteral("Write each screen's dashboard to <folder> as a PNG named after the "
                       "display, without showing a window, and exit."),
        QStringLiteral("folder"));
    const QCommandLineOption gallery(
        QStringLiteral("gallery"), QStringLiteral("With --render: show the widget gallery open."));
    parser.addOption(render);
    parser.addOption(gallery);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = Action::Help;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Action::Version;
        return result;
    }
    if (parser.isSet(gallery) && !parser.isSet(render)) {
        result.error = QStringLiteral("--gallery only goes with --render.");
        return result;
    }
    int chosen = 0;
    if (parser.isSet(render)) {
        result.action = Action::Render;
        result.renderDirectory = parser.value(render);
        result.renderGallery = parser.isSet(gallery);
        ++chosen;
    }
    for (const RemoteOption &option : remoteOptions) {
        if (parser.isSet(QString::fromLatin1(option.name))) {
            result.action = option.action;
            ++chosen;
        }
    }
    if (parser.isSet(autostart)) {
        const QString value = parser.value(autostart);
        if (value != QLatin1String("on") && value != QLatin1String("off")) {
            result.error = QStringLiteral("--autostart takes on or off, not '%1'.").arg(value);
            return result;
        }
        result.action = Action::Autostart;
        result.autostart = value == QLatin1String("on");
        ++chosen;
    }
    if (chosen > 1) {
        result.action = Action::Run;
        result.error = QStringLiteral(
            "Give only one of --toggle, --show, --hide, --quit, --autostart and --render.");
    }
    return result;
}

QString CommandLine::remoteCommand(Action action)
{
    for (const RemoteOption &option : remoteOptions) {
        if (option.action == action)
            return QString::fromLatin1(option.name);
    }
    return {};
}
