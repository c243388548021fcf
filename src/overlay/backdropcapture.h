#pragma once

#include "screens.h"

#include <QImage>

// What a panel is painted over: the screen as it is now, grabbed and blurred. A null image
// (a made-up screen, Wayland, a failed grab) leaves the panel see-through under a tint.
QImage captureDesktopBackdrop(const ScreenInfo &screen);
