#include "backdropcapture.h"

#include "desktopblur.h"

QImage captureDesktopBackdrop(const ScreenInfo &screen)
{
    return DesktopBlur::blurredGrab(screen.screen.data());
}
