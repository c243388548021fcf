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

private:
    void showAbout();
    void focusMainPanel();
    void reportHotKeyUnavailable(const QString &reason);
    void startWithoutTray(const QString &sessionDirectory);

    DashboardController m_controller;
    QMenu *m_menu;
    QAction *m_launch;
    QAction *m_about;
    QAction *m_quit;
    QSystemTrayIcon *m_tray = nullptr;
};
