#include "desktopplatform.h"

#include "desktoppresentation.h"
#include "portalhotkey.h"
#include "qtscreencapture.h"
#include "qtscreens.h"
#include "waylandscreengrab.h"
#include "waylandwallpaper.h"
#include "waylandwindowhints.h"
#include "x11hotkey.h"
#include "x11screengrab.h"
#include "x11screens.h"
#include "x11windowhints.h"

#include <QGuiApplication>

DesktopPlatform DesktopPlatform::create()
{
    DesktopPlatform platform;
    platform.presentation = std::make_unique<DesktopPresentation>();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        platform.screens = std::make_unique<X11Screens>();
        platform.hotKey = std::make_unique<X11HotKey>();
        platform.windowHints = std::make_unique<X11WindowHints>();
        // XWayland hands out black pictures of the desktop; the panels keep their tint.
        if (isXWayland())
            platform.screenCapture = std::make_unique<NullScreenCapture>();
        else
            platform.screenCapture = std::make_unique<X11ScreenCapture>();
    } else if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        platform.screens = std::make_unique<QtScreens>();
        platform.hotKey = std::make_unique<PortalHotKey>();
        platform.windowHints = std::make_unique<WaylandWindowHints>();
        if (GnomeWallpaperCapture::isGnome())
            platform.screenCapture = std::make_unique<GnomeWallpaperCapture>();
        else
            platform.screenCapture = std::make_unique<WaylandScreenCapture>();
    } else {
        platform.screens = std::make_unique<QtScreens>();
        platform.hotKey = std::make_unique<NullHotKey>(
            QStringLiteral("this desktop does not let programs take a global key"));
        platform.windowHints = std::make_unique<NullWindowHints>();
        platform.screenCapture = std::make_unique<QtScreenCapture>();
    }
    return platform;
}

bool DesktopPlatform::preferWayland()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return false;
    return qputenv("QT_QPA_PLATFORM", "wayland;xcb");
}

bool DesktopPlatform::isXWayland()
{
    return QGuiApplication::platformName() == QLatin1String("xcb")
        && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}
