#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

class DashboardStore;

// Lays dashboards out without showing a window and writes them as pictures: for the
// documentation, for visual checks and for machines without a display.
namespace DashboardRenderer {

// The canvas for `store` at `size`, over `backdrop` (null: the tint over black), with the
// gallery open when asked. Animations are skipped.
QImage render(DashboardStore &store, QSize size, const QImage &backdrop, bool galleryOpen);

struct Result
{
    QStringList written;
    QString error; // empty on success
};

// One PNG per screen in `directory`, named after the screen's display identifier. Each
// arrangement is read from the user's defaults as the overlay would read it, into memory:
// rendering never writes the user's stored arrangements.
Result renderScreens(const QString &directory, bool galleryOpen);

} // namespace DashboardRenderer
