#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>

class QScreen;
class QTemporaryFile;
class DashboardStore;

// Lays dashboards out without showing a window and writes them as pictures: for the
// documentation, for visual checks and for machines without a display.
namespace DashboardRenderer {

// The canvas for `store` at `size`, over `backdrop` (null: the tint over black), with the
// gallery open when asked (at `galleryHeight`), as the panel on `screen` (null: the main
// screen) shows it: in that screen's device pixels. Animations are skipped.
QImage render(DashboardStore &store, QSize size, const QImage &backdrop, bool galleryOpen,
    QScreen *screen = nullptr, qreal galleryHeight = 500);

// A calm blurred wallpaper for a canvas of `size`, for pictures made without a desktop.
QImage standInDesktop(QSize size);

struct Result
{
    QStringList written;
    QString error; // empty on success
};

// One PNG per screen in `directory`, named after the screen's display identifier. Each
// arrangement is read from the user's defaults as the overlay would read it, into memory:
// rendering never writes the user's stored arrangements.
Result renderScreens(const QString &directory, bool galleryOpen);

// Without X11 or Wayland, and with no platform asked for, picks the offscreen platform with
// one 1920 x 1080 screen named "HEADLESS-1". Call before the QApplication exists and keep
// the returned file alive until it does; null when nothing needed changing.
std::unique_ptr<QTemporaryFile> useHeadlessPlatformIfNeeded();

} // namespace DashboardRenderer
