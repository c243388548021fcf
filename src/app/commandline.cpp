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
    int chosen = 0;
    for (const RemoteOption &option : remoteOptions) {
        if (parser.isSet(QString::fromLatin1(option.name))) {
            result.action = option.action;
            ++chosen;
        }
    }
    if (chosen > 1) {
        result.action = Action::Run;
        result.error = QStringLiteral("Give only one of --toggle, --show, --hide and --quit.");
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
