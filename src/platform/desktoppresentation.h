#pragma once

#include "presentation.h"

// Full-screen, always-on-top panels already cover docks and panels on Linux desktops,
// and the window manager refocuses the previous window when they unmap. So the options
// are only kept, to honour save and restore.
class DesktopPresentation final : public Presentation
{
public:
    Options options() const override { return m_options; }
    void setOptions(Options options) override { m_options = options; }
    void activateApplication() override { }
    void hideApplication() override { }

private:
    Options m_options;
};
