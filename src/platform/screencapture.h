#pragma once

#include "screens.h"

#include <QImage>
#include <functional>

// A picture of what a screen shows now, taken before an overlay panel covers it.
class ScreenCapture
{
public:
    virtual ~ScreenCapture() = default;

    /// The screen's pixels at its device size, or a null image when this desktop does not
    /// let programs read them; the panel then shows a tint instead.
    virtual QImage grab(const ScreenInfo &screen) = 0;

    /// The same picture `divisor` times smaller each way, smoothly, for a blur that needs
    /// no more. Platforms that can have the reading side shrink it skip the full copy.
    virtual QImage grabReduced(const ScreenInfo &screen, int divisor);

    /// `grabReduced` for each of `screens`, in their order. Platforms that can ask for all
    /// of them before the first answer comes back wait once instead of once per screen, and
    /// run `meanwhile` (which must not change what the screens show) while they wait.
    virtual QList<QImage> grabReducedAll(
        const QList<ScreenInfo> &screens, int divisor, const std::function<void()> &meanwhile = {});
};

inline QImage ScreenCapture::grabReduced(const ScreenInfo &screen, int divisor)
{
    const QImage picture = grab(screen);
    if (picture.isNull() || divisor < 1 || picture.width() < divisor || picture.height() < divisor)
        return {};
    return picture.scaled(picture.width() / divisor, picture.height() / divisor,
        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

inline QList<QImage> ScreenCapture::grabReducedAll(
    const QList<ScreenInfo> &screens, int divisor, const std::function<void()> &meanwhile)
{
    if (meanwhile)
        meanwhile();
    QList<QImage> pictures;
    pictures.reserve(screens.size());
    for (const ScreenInfo &screen : screens)
        pictures.append(grabReduced(screen, divisor));
    return pictures;
}

// For desktops that keep the screen to themselves.
class NullScreenCapture final : public ScreenCapture
{
public:
    QImage grab(const ScreenInfo &) override { return {}; }
};
