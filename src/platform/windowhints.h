#pragma once

#include <QHash>
#include <QPointer>
#include <memory>
#include <optional>

class QWidget;
class QWindow;

// Window-manager hints for an overlay panel that Qt has no API for.
class WindowHints
{
public:
    virtual ~WindowHints() = default;

    // Called once the panel's native window exists and before it is mapped.
    // `translucent` says that the desktop shows through the panel's backdrop.
    virtual void preparePanel(QWidget *panel, bool translucent) = 0;
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

private:
    // Interned on the first show and kept: each lookup is a round trip to the server.
    struct Atoms
    {
        unsigned state = 0, skipTaskbar = 0, skipPager = 0;
    };
    std::optional<Atoms> m_atoms;
};

// Panels as layer surfaces where the compositor has them (see LayerShell), and on KWin a
// blur of what shows through a translucent panel.
class WaylandWindowHints final : public WindowHints
{
public:
    WaylandWindowHints();
    ~WaylandWindowHints() override;
    void preparePanel(QWidget *panel, bool translucent) override;

private:
    class BlurManager;
    class BlurRequest;
    std::unique_ptr<BlurManager> m_blur;
};
