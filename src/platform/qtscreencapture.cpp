#include "qtscreencapture.h"

#include <QPixmap>
#include <QScreen>

QImage QtScreenCapture::grabScreen(QScreen *screen)
{
    if (!screen)
        return {};
    return screen->grabWindow(0).toImage();
}
