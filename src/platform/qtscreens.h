#pragma once

#include "screens.h"

// The screens Qt knows about.
class QtScreens final : public Screens
{
    Q_OBJECT

public:
    explicit QtScreens(QObject *parent = nullptr);

    // The connector name ("DP-1"), else the model, so a display keeps its arrangement.
    // XWayland numbers its outputs anew each time one comes back (XWAYLAND1, then
    // XWAYLAND2), so there the display's model and serial name it, else its place.
    static QString displayIdentifier(const QScreen *screen);
    static QString displayIdentifier(
        const QString &name, const QString &model, const QString &serial, const QRect &geometry);

    QList<ScreenInfo> screens() const override;

private:
    void watch(QScreen *screen);
};
