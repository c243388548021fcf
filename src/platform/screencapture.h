#pragma once

#include "screens.h"

#include <QImage>

// A picture of what a screen shows now, taken before an overlay panel covers it.
class ScreenCapture
{
public:
    virtual ~ScreenCapture() = default;

    /// The screen's pixels at its device size, or a null image when this desktop does not
    /// let programs read them; the panel then shows a tint instead.
    virtual QImage grab(const ScreenInfo &screen) = 0;
};

// For desktops that keep the screen to themselves.
class NullScreenCapture final : public ScreenCapture
{
public:
    QImage grab(const ScreenInfo &) override { return {}; }
};
