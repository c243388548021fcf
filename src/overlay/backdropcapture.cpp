#include "backdropcapture.h"

#include "desktopblur.h"

QImage captureDesktopBackdrop(const ScreenInfo &screen)
{
    return screen.screen ? DesktopBlur::blurredGrab(screen.screen) : QImage();
}
