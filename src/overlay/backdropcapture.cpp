#include "backdropcapture.h"

#include "desktopblur.h"

QImage captureDesktopBackdrop(ScreenCapture *capture, const ScreenInfo &screen)
{
    return blurDesktop(grabDesktop(capture, screen));
}

QImage grabDesktop(ScreenCapture *capture, const ScreenInfo &screen)
{
    return capture ? capture->grabReduced(screen, DesktopBlur::downscale) : QImage();
}

QImage blurDesktop(const QImage &grabbed)
{
    return DesktopBlur::blurReduced(grabbed);
}
