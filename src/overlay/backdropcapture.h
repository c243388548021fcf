#pragma once

#include "screencapture.h"

#include <QImage>

// What a panel is painted over: the screen as it is now, read by the platform and blurred.
// A null image (no capture service, a desktop that keeps its pixels, a failed grab) leaves
// the panel see-through under a tint.
QImage captureDesktopBackdrop(ScreenCapture *capture, const ScreenInfo &screen);

// The same in two steps: the screen read, scaled down (the part that must come before a
// panel covers the screen), then blurred.
QImage grabDesktop(ScreenCapture *capture, const ScreenInfo &screen);
// All screens read at once, `meanwhile` run while the platform reads them.
QList<QImage> grabDesktops(ScreenCapture *capture, const QList<ScreenInfo> &screens,
    const std::function<void()> &meanwhile = {});
QImage blurDesktop(const QImage &grabbed);
