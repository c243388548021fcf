#include "desktopblur.h"

#include "boxblur.h"

#include <QPixmap>
#include <QScreen>

QImage DesktopBlur::blurredGrab(QScreen *screen)
{
    if (!screen)
        return {};
    const QPixmap grabbed = screen->grabWindow(0);
    if (grabbed.isNull())
        return {};
    return blur(grabbed.toImage());
}

QImage DesktopBlur::blur(const QImage &picture)
{
    if (picture.isNull() || picture.width() < downscale || picture.height() < downscale)
        return {};
    QImage small = picture.scaled(picture.width() / downscale, picture.height() / downscale,
        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    small.convertTo(QImage::Format_RGB32);
    boxBlur(small, radius, 3);
    small.setDevicePixelRatio(1.0);
    return small;
}
