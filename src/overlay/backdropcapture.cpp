#include "backdropcapture.h"

#include "desktopblur.h"
#include "x11screengrab.h"

#include <QScreen>

QImage captureDesktopBackdrop(const ScreenInfo &screen)
{
    // The monitor's area as the server has it now: Qt's screen may not have caught up.
    const bool scaled = screen.screen && screen.screen->devicePixelRatio() != 1.0;
    const QImage picture = scaled ? QImage() : grabX11Area(screen.geometry);
    if (!picture.isNull())
        return DesktopBlur::blur(picture);
    return DesktopBlur::blurredGrab(screen.screen.data());
}
