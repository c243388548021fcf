#include "backdropcapture.h"

#include "desktopblur.h"

QImage captureDesktopBackdrop(ScreenCapture *capture, const ScreenInfo &screen)
{
    return capture ? DesktopBlur::blur(capture->grab(screen)) : QImage();
}
