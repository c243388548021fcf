#pragma once

#include <QWidget>
#include <optional>

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

    // Whether a panel just mapped may paint before it is exposed: where drawing to a window
    // not yet viewable is simply dropped, so the expose then only has to show the buffer.
    virtual bool paintsBeforeExposed() const { return false; }
    // Whether window managers here may place panels other than asked, so that the
    // controller must look where they went.
    virtual bool checksPlacement() const { return false; }
    // Where the panel is on screen now, or nothing while it is not shown. Qt's own idea may
    // be the geometry last asked for, which a window manager is free to refuse silently.
    virtual std::optional<QRect> placedGeometry(QWidget *panel)
    {
        return panel->isVisible() ? std::optional(panel->geometry()) : std::nullopt;
    }
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
