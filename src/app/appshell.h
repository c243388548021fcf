#pragma once

#include "dashboardcontroller.h"

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The background application: owns the controller, the tray item and its menu, and the
// About box. There is no main window.
class AppShell : public QObject
{
    Q_OBJECT

public:
    static QString aboutText();

    AppShell(Defaults &defaults, OverlayPlatform platform, FaceServices services,
        QObject *parent = nullptr);
    ~AppShell() override;

    // `sessionDirectory` lasts as long as the login session ($XDG_RUNTIME_DIR); it
    // remembers that the overlay was shown once for want of a tray. May be empty.
    void start(const QString &sessionDirectory = {});
    // A command word from the command line of a later start.
    bool handleCommand(const QString &command);

    DashboardController &controller() { return m_controller; }
    QAction *launchAction() const { return m_launch; }
    QAction *aboutAction() const { return m_about; }
    QAction *quitAction() const { return m_quit; }
    QMenu *menu() const { return m_menu; }

    static QIcon appIcon();

    // The desktop by name, lower case ("kde", "gnome", "sway", "hyprland", "i3"), or empty.
    static QString currentDesktop();
    // How to bind F12 to "corvina --toggle" on that desktop.
    static QString bindingAdvice(const QString &desktop);
    // The one line that says how to open Corvina when F12 or the tray is missing, or nothing.
    static QString reachabilityMessage(
        const std::optional<QString> &hotKeyFailure, bool trayAvailable, const QString &desktop);

private:
    void showAbout();
    void focusMainPanel();
    void reportReachability();
    void startWithoutTray(const QString &sessionDirectory);

    GlobalHotKey *const m_hotKey;
    DashboardController m_controller;
    QMenu *m_menu;
    QAction *m_launch;
    QAction *m_about;
    QAction *m_quit;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_trayAvailable = false;
    std::optional<QString> m_hotKeyFailure;
    QString m_reported;
};
