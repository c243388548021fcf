#pragma once

#include "globalhotkey.h"
#include "presentation.h"
#include "screencapture.h"
#include "screens.h"
#include "windowhints.h"

#include <memory>

// The platform services of the running desktop, chosen once by Qt's platform name.
struct DesktopPlatform
{
    std::unique_ptr<Screens> screens;
    std::unique_ptr<Presentation> presentation;
    std::unique_ptr<GlobalHotKey> hotKey;
    std::unique_ptr<WindowHints> windowHints;
    std::unique_ptr<ScreenCapture> screenCapture;

    static DesktopPlatform create();

    // Before the QApplication: on a Wayland session, Wayland rather than XWayland, which Qt
    // 6.4 picks on GNOME and wherever XDG_SESSION_TYPE is unset. A platform the user named
    // stands, and without the Wayland plugin Qt still falls back to xcb. Returns whether it
    // set QT_QPA_PLATFORM, which the caller unsets once the application exists so that
    // programs Corvina starts choose for themselves.
    static bool preferWayland();
    // Running on xcb while the session is Wayland's.
    static bool isXWayland();
};
