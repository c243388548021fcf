#include "desktopblur.h"

#include "boxblur.h"

QImage DesktopBlur::blur(const QImage &picture)
{
    if (picture.isNull() || picture.width() < downscale || picture.height() < downscale)
        return {};
    return blurReduced(picture.scaled(picture.width() / downscale, picture.height() / downscale,
        Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QImage DesktopBlur::blurReduced(const QImage &small)
{
    if (small.isNull())
        return {};
    QImage blurred = small.convertToFormat(QImage::Format_RGB32);
    boxBlur(blurred, radius, 3);
    blurred.setDevicePixelRatio(1.0);
    return blurred;
}
