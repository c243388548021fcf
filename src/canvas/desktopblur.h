#pragma once

#include <QImage>

class QScreen;

// The frosted picture of the desktop behind an overlay panel. Taken before the panel is
// mapped, since afterwards the panel itself would be in the picture.
class DesktopBlur
{
public:
    // Grabs `screen`, scales it down about four times and blurs it. Returns the small
    // blurred image (the canvas scales it up), or a null image when the screen cannot be
    // grabbed, e.g. on Wayland; the canvas then paints its translucent tint instead.
    static QImage blurredGrab(QScreen *screen);

    // The scale-and-blur step alone, for a picture already taken.
    static QImage blur(const QImage &picture);

    static constexpr int downscale = 4;
    static constexpr int radius = 6;
};
