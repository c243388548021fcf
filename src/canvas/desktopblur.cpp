#include "desktopblur.h"

#include "boxblur.h"

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
