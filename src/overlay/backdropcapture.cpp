#include "backdropcapture.h"

#include "desktopblur.h"

QImage captureDesktopBackdrop(ScreenCapture *capture, const ScreenInfo &screen)
{
    return capture ? DesktopBlur::blurReduced(capture->grabReduced(screen, DesktopBlur::downscale))
                   : QImage();
}
