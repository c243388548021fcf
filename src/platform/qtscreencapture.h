#pragma once

#include "screencapture.h"

// Qt's own grab: slower than a native read, but it works wherever Qt can read the screen.
class QtScreenCapture : public ScreenCapture
{
public:
    QImage grab(const ScreenInfo &screen) override { return grabScreen(screen.screen.data()); }
    static QImage grabScreen(QScreen *screen);
};
