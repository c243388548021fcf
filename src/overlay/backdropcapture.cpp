#include "backdropcapture.h"

#include "desktopblur.h"
#include "waylandscreengrab.h"
#include "x11screengrab.h"

#include <QGuiApplication>

QImage captureDesktopBackdrop(const ScreenInfo &screen)
{
    // A Wayland client cannot read the screen through the toolkit; wlroots compositors
    // copy it on request. Elsewhere the panel stays see-through under a tint.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        const QImage picture = screen.screen ? grabWaylandOutput(screen.screen->name()) : QImage();
        return picture.isNull() ? QImage() : DesktopBlur::blur(picture);
    }
    const QImage picture = grabX11Screen(screen.screen.data());
    if (!picture.isNull())
        return DesktopBlur::blur(picture);
    return DesktopBlur::blurredGrab(screen.screen.data());
}
