#pragma once

#include <QImage>

// The frosted picture of the desktop behind an overlay panel. Taken before the panel is
// mapped, since afterwards the panel itself would be in the picture.
class DesktopBlur
{
public:
    // Scales a picture of the screen down about four times and blurs it. Returns the small
    // blurred image (the canvas scales it up), or a null image when there is no picture,
    // e.g. on Wayland; the canvas then paints its translucent tint instead.
    static QImage blur(const QImage &picture);
    // The same for a picture already scaled down `downscale` times.
    static QImage blurReduced(const QImage &small);

    static constexpr int downscale = 4;
    static constexpr int radius = 6;
};
