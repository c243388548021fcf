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

QList<QImage> grabDesktops(ScreenCapture *capture, const QList<ScreenInfo> &screens,
    const std::function<void()> &meanwhile)
{
    if (!capture) {
        if (meanwhile)
            meanwhile();
        return QList<QImage>(screens.size());
    }
    QList<QImage> pictures = capture->grabReducedAll(screens, DesktopBlur::downscale, meanwhile);
    pictures.resize(screens.size());
    return pictures;
}

QImage blurDesktop(const QImage &grabbed)
{
    return DesktopBlur::blurReduced(grabbed);
}
