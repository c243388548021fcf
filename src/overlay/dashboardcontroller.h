#pragma once

#include "faceservices.h"
#include "presentation.h"
#include "screens.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class DashboardPanel;
class DashboardStore;
class Defaults;
class GlobalHotKey;
class QAction;
class ScreenCapture;
class WindowHints;

// The platform pieces the overlay stands on; tests pass fakes.
struct OverlayPlatform
{
    Screens *screens = nullptr;
    Presentation *presentation = nullptr;
    GlobalHotKey *hotKey = nullptr;
    WindowHints *windowHints = nullptr;
    ScreenCapture *screenCapture = nullptr;
};

// Turns the overlay on and off: the F12 hot key, the Esc key, one panel per screen, and
// the per-display stores, which live as long as the controller. Panels are kept between
// shows, unmapped with their faces' timers stopped, and matched to the screens again at
// each show.
class DashboardController : public QObject
{
    Q_OBJECT

public:
    static constexpr Presentation::Options overlayOptions
        = Presentation::CoverDocks | Presentation::CoverPanels;

    DashboardController(Defaults &defaults, OverlayPlatform platform, FaceServices services,
        QObject *parent = nullptr);
    ~DashboardController() override;

    // Takes the hot key and installs the Esc monitor. Returns why the hot key is not
    // available, if it is not; the overlay still works through toggle().
    std::optional<QString> start();
    void stop();

    void show();
    void hide();
    void toggle();
    bool isVisible() const { return m_visible; }

    // The store of a screen's display, made on first use and kept.
    DashboardStore &store(const ScreenInfo &screen);
    const QList<DashboardPanel *> &panels() const { return m_panels; }

    // Actions every panel offers as window shortcuts (the tray's Ctrl+L and Ctrl+Q).
    void setPanelActions(QList<QAction *> actions) { m_panelActions = std::move(actions); }

Q_SIGNALS:
    void visibilityChanged(bool visible);
    // The hot key, granted at start(), was refused or lost later.
    void hotKeyUnavailable(const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QImage> capture(const QList<ScreenInfo> &screens) const;
    // One panel per screen in screen order, kept ones moved and given `backdrops`; panels
    // of screens that are gone are dropped. Returns the panels that need mapping: new
    // ones and moved ones.
    QList<DashboardPanel *> reconcile(
        const QList<ScreenInfo> &screens, const QList<QImage> &backdrops);
    void fitCards(const ScreenInfo &screen);
    DashboardPanel *makePanel(const ScreenInfo &screen, const QImage &backdrop);
    void mapPanels(const QList<DashboardPanel *> &panels);
    void dropPanel(DashboardPanel *panel);
    void screensChanged();
    // Maps a panel as the platform covers a screen.
    void showPanel(DashboardPanel *panel);
    // Puts back panels the window manager placed off their screen.
    void checkPlacement();
    void lookAgain();

    static constexpr int placementDelay = 150;
    // A window manager that learns of a new layout late is waited for up to 3 s.
    static constexpr int maximumPlacementChecks = 20;
    // Even when all is well at the first look, for about a second: a busy window manager
    // has been seen to hand the keyboard to a panel mapped earlier after that look.
    static constexpr int minimumPlacementChecks = 6;

    Defaults &m_defaults;
    OverlayPlatform m_platform;
    FaceServices m_services;
    QHash<QString, DashboardStore *> m_stores;
    QList<DashboardPanel *> m_panels;
    QList<QAction *> m_panelActions;
    std::optional<Presentation::Options> m_previousOptions;
    bool m_visible = false;
    bool m_started = false;
    bool m_monitoring = false;
    QTimer m_placementCheck;
    int m_placementChecks = 0;
};
