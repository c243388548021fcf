#include "dashboardrenderer.h"

#include "dashboardstore.h"
#include "dashboardview.h"
#include "desktopblur.h"
#include "filedefaults.h"
#include "memorydefaults.h"
#include "qtscreencapture.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTemporaryFile>

namespace DashboardRenderer {

QImage render(DashboardStore &store, QSize size, const QImage &backdrop, bool galleryOpen,
    QScreen *screen, qreal galleryHeight)
{
    const bool animations = DashboardView::animationsEnabled();
    DashboardView::setAnimationsEnabled(false);
    store.setGalleryOpen(galleryOpen);
    QImage image;
    {
        DashboardView view(
            store, [] {}, FaceServices {});
        view.setAttribute(Qt::WA_DontShowOnScreen);
        if (screen) {
            view.setScreen(screen);
            view.move(screen->geometry().topLeft());
        }
        view.resize(size);
        view.setGalleryHeight(galleryHeight);
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

// Without a desktop to grab (no display at all), a calm stand-in so the pictures still
// show the frosted cards as they look over a wallpaper.
QImage standInDesktop(QSize size)
{
    QImage image(QSize(qMax(1, size.width() / DesktopBlur::downscale),
                     qMax(1, size.height() / DesktopBlur::downscale)),
        QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient base(0, 0, image.width(), image.height());
    base.setColorAt(0, QColor(0x4A, 0x5E, 0x8C));
    base.setColorAt(1, QColor(0x1B, 0x1C, 0x33));
    painter.fillRect(image.rect(), base);
    const auto glow = [&](QPointF centre, qreal radius, QColor colour) {
        QRadialGradient gradient(centre, radius);
        gradient.setColorAt(0, colour);
        colour.setAlpha(0);
        gradient.setColorAt(1, colour);
        painter.fillRect(image.rect(), gradient);
    };
    glow(QPointF(image.width() * 0.8, image.height() * 0.2), image.width() * 0.45,
        QColor(0xE0, 0x7A, 0x5F, 150));
    glow(QPointF(image.width() * 0.15, image.height() * 0.85), image.width() * 0.4,
        QColor(0x3D, 0xA5, 0xD9, 110));
    painter.end();
    return image;
}

Result renderScreens(const QString &directory, bool galleryOpen)
{
    const bool canGrab = QGuiApplication::platformName() != QLatin1String("offscreen");
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

        const QImage desktop = canGrab ? DesktopBlur::blur(QtScreenCapture::grabScreen(screen))
                                       : standInDesktop(screen->geometry().size());
        const QImage image = render(store, screen->geometry().size(), desktop, galleryOpen, screen);
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

std::unique_ptr<QTemporaryFile> useHeadlessPlatformIfNeeded()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    auto config = std::make_unique<QTemporaryFile>();
    const QByteArray screens = R"({"screens": [{"name": "HEADLESS-1", "x": 0, "y": 0,
        "width": 1920, "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    if (!config->open() || config->write(screens) != screens.size() || !config->flush()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return nullptr;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config->fileName()));
    return config;
}

} // namespace DashboardRenderer
