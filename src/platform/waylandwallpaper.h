#pragma once

#include "screencapture.h"

#include <QColor>
#include <QImage>
#include <QString>

// `picture` laid out on a screen of `size` as GNOME's `picture-options` value `options`
// lays it out ("zoom", "scaled", "stretched", "centered", "wallpaper", "none"), over
// `background` where the picture leaves room. A null picture gives the background alone.
QImage arrangeWallpaper(
    const QImage &picture, const QString &options, const QColor &background, QSize size);

// GNOME on Wayland lets no program read the screen without asking the user, and a
// full-screen window there is drawn over black however translucent it is. So the panels
// show what GNOME draws on an empty desktop: its wallpaper, read from its settings.
// A null image where GNOME's settings are not installed.
class GnomeWallpaperCapture final : public ScreenCapture
{
public:
    QImage grab(const ScreenInfo &screen) override { return picture(screen, 1); }
    // Drawn at the small size straight away.
    QImage grabReduced(const ScreenInfo &screen, int divisor) override
    {
        return picture(screen, divisor);
    }

    // Whether the session is GNOME's, from what its session manager sets.
    static bool isGnome();

private:
    static QImage picture(const ScreenInfo &screen, int divisor);
};
