#pragma once

#include "screencapture.h"

#include <QImage>
#include <QString>

// The pixels of the Wayland output named `outputName`, copied by the compositor into
// shared memory through wlroots' screencopy. Uses a connection of its own, made for this
// grab and closed after it, so nothing is kept between shows. A null image when the
// compositor offers no screencopy, has no such output, or the copy fails.
QImage grabWaylandOutput(const QString &outputName);

// wlroots compositors copy each output on request; elsewhere (KWin, GNOME) a null image,
// and the panel shows the desktop through a tint.
class WaylandScreenCapture final : public ScreenCapture
{
public:
    QImage grab(const ScreenInfo &screen) override
    {
        return screen.screen ? grabWaylandOutput(screen.screen->name()) : QImage();
    }
};
