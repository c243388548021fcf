#include "appshell.h"

#include "dashboardpanel.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <cstdio>

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
    m_tray->show();

    connect(&m_controller, &DashboardController::hotKeyUnavailable, this,
        &AppShell::reportHotKeyUnavailable);
    if (const std::optional<QString> failure = m_controller.start())
        reportHotKeyUnavailable(*failure);
    connect(qApp, &QCoreApplication::aboutToQuit, &m_controller, &DashboardController::stop);

    if (!QSystemTrayIcon::isSystemTrayAvailable())
        startWithoutTray(sessionDirectory);
}

void AppShell::startWithoutTray(const QString &sessionDirectory)
{
    std::fputs("corvina: there is no system tray here; open Corvina with F12 or by running "
               "\"corvina --toggle\".\n",
        stderr);
    // Once per session, so a user who cannot see a tray icon still sees that it started.
    if (sessionDirectory.isEmpty())
        return;
    QFile marker(sessionDirectory + QStringLiteral("/shown-without-tray"));
    if (marker.exists() || !marker.open(QIODevice::WriteOnly))
        return;
    marker.close();
    QMetaObject::invokeMethod(&m_controller, &DashboardController::show, Qt::QueuedConnection);
}

void AppShell::reportHotKeyUnavailable(const QString &reason)
{
    std::fprintf(stderr,
        "corvina: the F12 hot key is not available (%s); open Corvina from the tray, or bind "
        "F12 to \"corvina --toggle\" in your desktop's keyboard settings.\n",
        qPrintable(reason));
}

bool AppShell::handleCommand(const QString &command)
{
    if (command == QLatin1String("toggle"))
        m_controller.toggle();
    else if (command == QLatin1String("show"))
        m_controller.show();
    else if (command == QLatin1String("hide"))
        m_controller.hide();
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
