#pragma once

#include "qtscreencapture.h"

#include <QImage>

class QRect;
class QScreen;

// The pixels of `screen` read straight from the X server into an image that owns the
// server's reply, without the copies a toolkit grab makes on the way. A null image when
// not on X11, on a scaled screen, or in a pixel layout other than 32-bit xRGB; the caller
// then grabs the ordinary way.
QImage grabX11Screen(QScreen *screen);
// The same for an area of the root window, in the server's pixels.
QImage grabX11Area(const QRect &area);
// An area of the root window `divisor` times smaller each way, scaled by the server
// (RENDER, bilinear), so only the small picture crosses the connection. Null where RENDER
// or the pixel layout rules it out.
QImage grabX11AreaReduced(const QRect &area, int divisor);

// Reads each screen straight from the X server, falling back to Qt's grab where the
// server's pixel layout or a scaled screen rules the direct read out.
class X11ScreenCapture final : public QtScreenCapture
{
public:
    QImage grab(const ScreenInfo &screen) override;
    QImage grabReduced(const ScreenInfo &screen, int divisor) override;
    QList<QImage> grabReducedAll(const QList<ScreenInfo> &screens, int divisor,
        const std::function<void()> &meanwhile) override;
};
