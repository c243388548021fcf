#pragma once

#include <optional>

class QRect;

class QWidget;

// Window-manager hints for an overlay panel that Qt has no API for.
class WindowHints
{
public:
    virtual ~WindowHints() = default;

    // Called once the panel's native window exists and before it is mapped.
    // `translucent` says that the desktop shows through the panel's backdrop.
    virtual void preparePanel(QWidget *panel, bool translucent) = 0;

    // Holds a mapped panel on exactly its screen, whatever the window manager made of it
    // (after it was mapped, or when its screen moved or changed size).
    // Whether window managers here may place panels other than asked, so that the
    // controller must look where they went.
    virtual bool checksPlacement() const { return false; }
    virtual void placePanel(QWidget *panel, const QRect &screen)
    {
        (void)panel;
        (void)screen;
    }
};

class NullWindowHints final : public WindowHints
{
public:
    void preparePanel(QWidget *, bool) override { }
};

// Keeps panels out of taskbars and pagers, and asks KWin to blur what shows through a
// translucent one.
class X11WindowHints final : public WindowHints
{
public:
    void preparePanel(QWidget *panel, bool translucent) override;
    // Where the window manager supports it, pins the panel to the monitor at `screen`
    // (_NET_WM_FULLSCREEN_MONITORS).
    void placePanel(QWidget *panel, const QRect &screen) override;
    bool checksPlacement() const override { return true; }

private:
    // Interned on the first show and kept: each lookup is a round trip to the server.
    struct Atoms
    {
        unsigned state = 0, skipTaskbar = 0, skipPager = 0;
    };
    std::optional<Atoms> m_atoms;
};
