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
};
