#include "dashboardrenderer.h"

#include "dashboardstore.h"
#include "dashboardview.h"
#include "desktopblur.h"
#include "filedefaults.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace DashboardRenderer {

QImage render(DashboardStore &store, QSize size, const QImage &backdrop, bool galleryOpen)
{
    const bool animations = DashboardView::animationsEnabled();
    DashboardView::setAnimationsEnabled(false);
    store.setGalleryOpen(galleryOpen);
    QImage image;
    {
        DashboardView view(
            store, [] {}, FaceServices {});
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(size);
        view.setBackdrop(backdrop);
        view.show();
        view.reconcileNow();
        QCoreApplication::processEvents();
        // In device pixels: a HiDPI screen gives a picture as sharp as the screen.
        QPixmap shot = view.grab();
        shot.setDevicePixelRatio(1.0);
        image = QImage(shot.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.drawPixmap(0, 0, shot);
    }
    DashboardView::setAnimationsEnabled(animations);
    return image;
}

Result renderScreens(const QString &directory, bool galleryOpen)
{
    Result result;
    if (!QDir().mkpath(directory)) {
        result.error = QStringLiteral("Cannot create the folder %1").arg(directory);
        return result;
    }
    const FileDefaults stored(FileDefaults::standardDirectory());
    const QScreen *primary = QGuiApplication::primaryScreen();
    for (QScreen *screen : QGuiApplication::screens()) {
        QString identifier = screen->name();
        if (identifier.isEmpty())
            identifier = screen->model();
        const bool isMain = screen == primary;
        const QString key = DashboardStore::keyForDisplay(identifier);

        // A private copy of what the overlay would load, so nothing is written back.
        MemoryDefaults copy;
        for (const QString &k : {key, DashboardStore::legacyKey}) {
            if (const auto bytes = stored.read(k))
                (void)copy.write(k, *bytes);
        }
        DashboardStore store(copy, key, isMain);
        const QSizeF canvas = screen->geometry().size();
        for (const DashboardWidget &widget : QList<DashboardWidget>(store.widgets()))
            store.move(widget.id, QPointF(widget.x, widget.y), canvas);

        const QImage image = render(
            store, screen->geometry().size(), DesktopBlur::blurredGrab(screen), galleryOpen);
        // A screen without a name (the offscreen platform's) is named by its position.
        const QString name = identifier.isEmpty()
            ? QStringLiteral("screen-%1").arg(result.written.size() + 1)
            : FileDefaults::fileNameForKey(identifier);
        const QString path = QDir(directory).filePath(name + QStringLiteral(".png"));
        if (!image.save(path, "PNG")) {
            result.error = QStringLiteral("Cannot write %1").arg(path);
            return result;
        }
        result.written.append(path);
    }
    if (result.written.isEmpty())
        result.error = QStringLiteral("No screens to render");
    return result;
}

} // namespace DashboardRenderer
