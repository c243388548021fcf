#include "backdropcapture.h"

#include "desktopblur.h"
#include "x11screengrab.h"

QImage captureDesktopBackdrop(const ScreenInfo &screen)
{
    const QImage picture = grabX11Screen(screen.screen.data());
    if (!picture.isNull())
        return DesktopBlur::blur(picture);
    return DesktopBlur::blurredGrab(screen.screen.data());
}
