#pragma once

#include <QWidget>

class QRect;

// Window-manager hints for an overlay panel that Qt has no API for.
class WindowHints
{
public:
    virtual ~WindowHints() = default;

    // Called once the panel's native window exists and before it is mapped.
    // `translucent` says that the desktop shows through the panel's backdrop.
    virtual void preparePanel(QWidget *panel, bool translucent) = 0;
    // Maps a prepared panel over `screen`, above docks and full-screen windows.
    virtual void showPanel(QWidget *panel, const QRect &screen)
    {
        (void)screen;
        panel->showFullScreen();
    }

    // Whether window managers here may place panels other than asked, so that the
    // controller must look where they went.
    virtual bool checksPlacement() const { return false; }
    // Holds a mapped panel on exactly its screen, whatever the window manager made of it.
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
