#include "appshell.h"

#include "dashboardpanel.h"
#include "globalhotkey.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <malloc.h>

namespace {

// The tray symbol, drawn light so it reads on the usual dark panels.
QIcon traySymbol()
{
    QSvgRenderer renderer(QStringLiteral(":/corvina/moon-stars-fill.svg"));
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), QColor(0xf2, 0xf2, 0xf7));
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

QString AppShell::aboutText()
{
    return QStringList {
        QStringLiteral("Version " CORVINA_VERSION),
        QString(),
        QStringLiteral("Clocks, notes, a calculator and more, laid over every screen."),
        QStringLiteral("Press Fn\u2013F12 at any time to open or close your widgets."),
        QString(),
        QStringLiteral("\u00a9 2026 The Corvina authors. Free software under the MIT licence."),
    }
        .join(QLatin1Char('\n'));
}

QIcon AppShell::appIcon()
{
    return QIcon(QStringLiteral(":/corvina/corvina.svg"));
}

AppShell::AppShell(
    Defaults &defaults, OverlayPlatform platform, FaceServices services, QObject *parent)
    : QObject(parent)
    , m_hotKey(platform.hotKey)
    , m_controller(defaults, std::move(platform), services)
    , m_menu(new QMenu)
{
    m_launch = m_menu->addAction(QStringLiteral("Launch Corvina"));
    m_launch->setObjectName(QStringLiteral("launchAction"));
    m_launch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_menu->addSeparator();
    m_about = m_menu->addAction(QStringLiteral("About Corvina"));
    m_about->setObjectName(QStringLiteral("aboutAction"));
    m_menu->addSeparator();
    m_quit = m_menu->addAction(QStringLiteral("Quit Corvina"));
    m_quit->setObjectName(QStringLiteral("quitAction"));
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    connect(m_launch, &QAction::triggered, &m_controller, &DashboardController::toggle);
    connect(m_about, &QAction::triggered, this, &AppShell::showAbout);
    connect(m_quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_controller.setPanelActions({m_launch, m_quit});
}

AppShell::~AppShell()
{
    m_controller.stop();
    delete m_tray;
    delete m_menu;
}

void AppShell::start(const QString &sessionDirectory)
{
    QApplication::setWindowIcon(appIcon());
    m_tray = new QSystemTrayIcon(traySymbol());
    m_tray->setToolTip(QStringLiteral("Corvina"));
    m_tray->setContextMenu(m_menu);
    // A left click opens the overlay, as tray icons do; the menu stays on the right button.
    connect(
        m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
            if (why == QSystemTrayIcon::Trigger)
                m_controller.toggle();
        });
    m_trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    // Off X11, Qt's tray works only through a StatusNotifier host present now; showing it
    // without one only makes Qt warn about a signal that exists on X11 alone.
    if (m_trayAvailable || QGuiApplication::platformName() == QLatin1String("xcb"))
        m_tray->show();

    connect(&m_controller, &DashboardController::hotKeyUnavailable, this,
        [this](const QString &reason) {
            m_hotKeyFailure = reason;
            reportReachability();
        });
    connect(m_hotKey, &GlobalHotKey::granted, this, [this] {
        m_hotKeyFailure.reset();
        reportReachability();
    });
    m_hotKeyFailure = m_controller.start();
    reportReachability();
    connect(qApp, &QCoreApplication::aboutToQuit, &m_controller, &DashboardController::stop);
    // What a show took from the heap and gave back stays with the process unless handed
    // to the system: hidden, the overlay should hold as little as it can.
    connect(&m_controller, &DashboardController::visibilityChanged, this, [](bool visible) {
        if (!visible)
            QTimer::singleShot(0, [] { malloc_trim(0); });
    });

    if (!m_trayAvailable)
        startWithoutTray(sessionDirectory);
}

void AppShell::startWithoutTray(const QString &sessionDirectory)
{
    // Once per session, so a user who cannot see a tray icon still sees that it started.
    if (sessionDirectory.isEmpty())
        return;
    QFile marker(sessionDirectory + QStringLiteral("/shown-without-tray"));
    if (marker.exists() || !marker.open(QIODevice::WriteOnly))
        return;
    marker.close();
    QMetaObject::invokeMethod(&m_controller, &DashboardController::show, Qt::QueuedConnection);
}

void AppShell::reportReachability()
{
    // A portal still asking the user: the answer decides what there is to say.
    if (m_hotKey->isPending())
        return;
    const QString message = reachabilityMessage(m_hotKeyFailure, m_trayAvailable, currentDesktop());
    if (message.isEmpty() || message == m_reported)
        return;
    m_reported = message;
    std::fprintf(stderr, "corvina: %s\n", message.toUtf8().constData());
}

QString AppShell::currentDesktop()
{
    const QStringList names = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':');
    for (const char *known : {"kde", "gnome", "sway", "hyprland", "i3"}) {
        if (names.contains(QLatin1String(known)))
            return QString::fromLatin1(known);
    }
    if (!qEnvironmentVariableIsEmpty("HYPRLAND_INSTANCE_SIGNATURE"))
        return QStringLiteral("hyprland");
    if (!qEnvironmentVariableIsEmpty("SWAYSOCK"))
        return QStringLiteral("sway");
    if (!qEnvironmentVariableIsEmpty("I3SOCK"))
        return QStringLiteral("i3");
    return {};
}

QString AppShell::bindingAdvice(const QString &desktop)
{
    if (desktop == QLatin1String("kde"))
        return QStringLiteral("bind F12 to \"corvina --toggle\" in System Settings \u2192 "
                              "Shortcuts \u2192 Add Command");
    if (desktop == QLatin1String("gnome"))
        return QStringLiteral("bind F12 to \"corvina --toggle\" in Settings \u2192 Keyboard "
                              "\u2192 View and Customise Shortcuts \u2192 Custom Shortcuts");
    if (desktop == QLatin1String("sway") || desktop == QLatin1String("i3"))
        return QStringLiteral("add \"bindsym F12 exec corvina --toggle\" to your %1 config")
            .arg(desktop);
    if (desktop == QLatin1String("hyprland"))
        return QStringLiteral(
            "add \"bind = , F12, exec, corvina --toggle\" to your Hyprland config");
    return QStringLiteral("bind F12 to \"corvina --toggle\" in your desktop's keyboard settings "
                          "(sway, i3: bindsym F12 exec corvina --toggle; Hyprland: bind = , F12, "
                          "exec, corvina --toggle)");
}

QString AppShell::reachabilityMessage(
    const std::optional<QString> &hotKeyFailure, bool trayAvailable, const QString &desktop)
{
    if (!hotKeyFailure) {
        if (trayAvailable)
            return {};
        return QStringLiteral("there is no system tray here; open Corvina with F12 or by running "
                              "\"corvina --toggle\".");
    }
    if (trayAvailable)
        return QStringLiteral("F12 will not open Corvina: %1. Open it from the tray, or %2.")
            .arg(*hotKeyFailure, bindingAdvice(desktop));
    return QStringLiteral("F12 will not open Corvina (%1) and there is no system tray here; "
                          "open it by running \"corvina --toggle\", or %2.")
        .arg(*hotKeyFailure, bindingAdvice(desktop));
}

bool AppShell::handleCommand(const QString &command)
{
    // Accepted now, carried out once the reply is on its way: a client waits for the word,
    // not for the show.
    void (DashboardController::*action)() = nullptr;
    if (command == QLatin1String("toggle"))
        action = &DashboardController::toggle;
    else if (command == QLatin1String("show"))
        action = &DashboardController::show;
    else if (command == QLatin1String("hide"))
        action = &DashboardController::hide;
    if (action)
        QMetaObject::invokeMethod(&m_controller, action, Qt::QueuedConnection);
    else if (command == QLatin1String("quit"))
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    else
        return false;
    return true;
}

void AppShell::showAbout()
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Corvina"));
    box.setText(QStringLiteral("Corvina"));
    box.setInformativeText(aboutText());
    box.setIconPixmap(appIcon().pixmap(64, 64));
    box.setStandardButtons(QMessageBox::Ok);
    // Stays above the overlay's panels when they are up.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    // Window managers pass the focus to some other client when the box goes, which would
    // leave Esc and the shortcuts dead until a panel is clicked.
    if (m_controller.isVisible())
        QMetaObject::invokeMethod(this, &AppShell::focusMainPanel, Qt::QueuedConnection);
}

void AppShell::focusMainPanel()
{
    if (!m_controller.isVisible())
        return;
    DashboardPanel *main = nullptr;
    for (DashboardPanel *panel : m_controller.panels()) {
        if (panel->isVisible() && (!main || panel->screenInfo().isPrimary))
            main = panel;
    }
    if (main) {
        main->raise();
        main->activateWindow();
    }
}
