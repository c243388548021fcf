#include "waylandwallpaper.h"

#include <QImageReader>
#include <QPainter>
#include <QUrl>
#include <optional>

// GLib's headers use `signals` as a name, which Qt may have made a macro already.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace {

// The string `key` of the settings schema `schemaId`, or nothing where that schema or key
// is not installed: GSettings aborts the program on either.
std::optional<QString> setting(const char *schemaId, const char *key)
{
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    GSettingsSchema *schema
        = source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (!schema)
        return std::nullopt;
    const bool known = g_settings_schema_has_key(schema, key);
    g_settings_schema_unref(schema);
    if (!known)
        return std::nullopt;
    GSettings *settings = g_settings_new(schemaId);
    gchar *value = g_settings_get_string(settings, key);
    const QString result = QString::fromUtf8(value);
    g_free(value);
    g_object_unref(settings);
    return result;
}

// The size `options` fills a screen of `size` with at a picture of `natural` size.
QSize fittedSize(QSize natural, const QString &options, QSize size)
{
    if (options == QLatin1String("stretched"))
        return size;
    if (options == QLatin1String("scaled"))
        return natural.scaled(size, Qt::KeepAspectRatio);
    if (options == QLatin1String("centered") || options == QLatin1String("wallpaper"))
        return natural;
    // "zoom", GNOME's default, and "spanned", which on one screen comes closest to it.
    return natural.scaled(size, Qt::KeepAspectRatioByExpanding);
}

} // namespace

QImage arrangeWallpaper(
    const QImage &picture, const QString &options, const QColor &background, QSize size)
{
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(background.isValid() ? background : QColor(Qt::black));
    if (picture.isNull() || options == QLatin1String("none"))
        return canvas;
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (options == QLatin1String("wallpaper")) {
        painter.fillRect(canvas.rect(), QBrush(picture));
        return canvas;
    }
    QRect target(QPoint(), fittedSize(picture.size(), options, size));
    target.moveCenter(canvas.rect().center());
    painter.drawImage(target, picture);
    return canvas;
}

QImage GnomeWallpaperCapture::picture(const ScreenInfo &screen, int divisor)
{
    const char *background = "org.gnome.desktop.background";
    const std::optional<QString> options = setting(background, "picture-options");
    if (!options)
        return {};
    const qreal ratio = screen.screen ? screen.screen->devicePixelRatio() : 1.0;
    const QSize size = (QSizeF(screen.geometry.size()) * ratio / qMax(divisor, 1)).toSize();
    if (size.isEmpty())
        return {};

    std::optional<QString> uri = setting(background, "picture-uri");
    if (setting("org.gnome.desktop.interface", "color-scheme") == QLatin1String("prefer-dark")) {
        if (const std::optional<QString> dark = setting(background, "picture-uri-dark");
            dark && !dark->isEmpty())
            uri = dark;
    }
    // Read no larger than it is drawn, which for the blur is a fraction of the screen. A
    // format Qt cannot read (a slide show, WebP without its plugin) leaves the colour.
    QImageReader reader(QUrl(uri.value_or(QString())).toLocalFile());
    reader.setAutoTransform(true);
    const QSize natural = reader.size();
    const bool unscaled
        = *options == QLatin1String("wallpaper") || *options == QLatin1String("centered");
    const QSize drawn = unscaled ? natural / qMax(divisor, 1) : fittedSize(natural, *options, size);
    if (natural.isValid() && !drawn.isEmpty() && drawn.width() < natural.width())
        reader.setScaledSize(drawn);
    return arrangeWallpaper(reader.read(), *options,
        QColor(setting(background, "primary-color").value_or(QString())), size);
}

bool GnomeWallpaperCapture::isGnome()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP")
        .split(u':')
        .contains(QLatin1String("gnome"), Qt::CaseInsensitive);
}
