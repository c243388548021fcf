#pragma once

#include "windowhints.h"

#include <QAbstractNativeEventFilter>
#include <optional>

// Keeps panels out of taskbars and pagers, and asks KWin to blur what shows through a
// translucent one.
class X11WindowHints final
    : public WindowHints
    , private QAbstractNativeEventFilter
{
public:
    X11WindowHints();
    ~X11WindowHints() override;

    void preparePanel(QWidget *panel, bool translucent) override;
    // Full screen where that covers everything; a notification where the window manager
    // stacks full-screen windows below docks kept above (xfwm4), or fits them to outputs
    // other than the screen (KWin on monitors that RandR makes of part of one).
    void showPanel(QWidget *panel, const QRect &screen) override;
    bool paintsBeforeExposed() const override { return true; }
    bool checksPlacement() const override { return true; }
    // Where the window manager supports it, pins the panel to the monitor at `screen`
    // (_NET_WM_FULLSCREEN_MONITORS).
    void placePanel(QWidget *panel, const QRect &screen) override;
    // Asked of the server.
    std::optional<QRect> placedGeometry(QWidget *panel) override;

private:
    // Interned on the first show and kept: each lookup is a round trip to the server.
    struct Atoms
    {
        unsigned state = 0, skipTaskbar = 0, skipPager = 0, type = 0, notification = 0, normal = 0,
                 kdeOverride = 0, wmCheck = 0, wmName = 0, utf8 = 0;
    };
    enum class WindowManager { Other, Xfwm4, KWin };

    const Atoms &atoms();
    WindowManager windowManager();
    // How a panel covers a screen here: full screen or not, as a notification or not.
    struct Covering
    {
        bool fullScreen = true;
        bool notification = false;
    };
    Covering covering(const QRect &screen);

    // A window manager that starts sets the root's check property anew.
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

    std::optional<Atoms> m_atoms;
    // The window manager, known by the window it names itself on: it may be replaced. Read
    // again only when the root's check property changes, not on every show.
    bool m_wmKnown = false;
    unsigned m_wmWindow = 0;
    WindowManager m_wm = WindowManager::Other;
};
