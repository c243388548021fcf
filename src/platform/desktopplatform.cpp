#include "desktopplatform.h"

#include "portalhotkey.h"
#include "x11hotkey.h"
#include "x11screens.h"

#include <QGuiApplication>

DesktopPlatform DesktopPlatform::create()
{
    DesktopPlatform platform;
    platform.presentation = std::make_unique<DesktopPresentation>();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        platform.screens = std::make_unique<X11Screens>();
        platform.hotKey = std::make_unique<X11HotKey>();
        platform.windowHints = std::make_unique<X11WindowHints>();
    } else if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        platform.screens = std::make_unique<QtScreens>();
        platform.hotKey = std::make_unique<PortalHotKey>();
        platform.windowHints = std::make_unique<NullWindowHints>();
    } else {
        platform.screens = std::make_unique<QtScreens>();
        platform.hotKey = std::make_unique<NullHotKey>(
            QStringLiteral("this desktop does not let programs take a global key"));
        platform.windowHints = std::make_unique<NullWindowHints>();
    }
    return platform;
}
