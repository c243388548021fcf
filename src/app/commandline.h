#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// What one start of the program was asked to do. To add an option: declare it in
// CommandLine::parse, give it an Action, and dispatch it in main.cpp.
struct CommandLine
{
    enum class Action {
        Run, // start the background app, or show the running one's overlay
        Toggle,
        Show,
        Hide,
        Quit,
        Help,
        Version,
        Autostart, // turn starting at login on or off
        Render, // write each screen's dashboard to a PNG and exit
    };

    Action action = Action::Run;
    // Set when the arguments make no sense; the program prints it and fails.
    QString error;
    bool autostart = false;
    // For Render: the folder to write to, and whether the gallery is shown open.
    QString renderDirectory;
    bool renderGallery = false;

    static CommandLine parse(QCommandLineParser &parser, const QStringList &arguments);
    // The word sent to the running instance for a remote action, else empty.
    static QString remoteCommand(Action action);
};
