#pragma once

#include "screens.h"

// Screens a test sets; none until it does.
class FakeScreens final : public Screens
{
public:
    QList<ScreenInfo> list;
    QList<ScreenInfo> screens() const override { return list; }
    void set(QList<ScreenInfo> screens)
    {
        list = std::move(screens);
        Q_EMIT changed();
    }
};
