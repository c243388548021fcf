#pragma once

#include "windowhints.h"

#include <optional>

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
