#include "symbols.h"

#include <QCache>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

namespace Symbols {

namespace {

const QHash<QString, QString> &iconNames()
{
    static const QHash<QString, QString> names {
        {QStringLiteral("clock.fill"), QStringLiteral("clock-fill")},
        {QStringLiteral("calendar"), QStringLiteral("calendar3")},
        {QStringLiteral("note.text"), QStringLiteral("journal-text")},
        {QStringLiteral("battery.75percent"), QStringLiteral("battery-half")},
        {QStringLiteral("gauge.with.dots.needle.67percent"), QStringLiteral("speedometer2")},
        {QStringLiteral("plus.forwardslash.minus"), QStringLiteral("plus-slash-minus")},
        {QStringLiteral("globe"), QStringLiteral("globe")},
        {QStringLiteral("stopwatch"), QStringLiteral("stopwatch")},
        {QStringLiteral("arrow.left.arrow.right"), QStringLiteral("arrow-left-right")},
        {QStringLiteral("clipboard"), QStringLiteral("clipboard")},
        {QStringLiteral("timer"), QStringLiteral("alarm")},
        {QStringLiteral("hourglass"), QStringLiteral("hourglass-split")},
        {QStringLiteral("square.grid.2x2.fill"), QStringLiteral("grid-fill")},
        {QStringLiteral("chart.bar.fill"), QStringLiteral("bar-chart-fill")},
        {QStringLiteral("quote.opening"), QStringLiteral("quote")},
        {QStringLiteral("xmark"), QStringLiteral("x-lg")},
        {QStringLiteral("plus"), QStringLiteral("plus-lg")},
        {QStringLiteral("moon.stars.fill"), QStringLiteral("moon-stars-fill")},
        {QStringLiteral("laptopcomputer"), QStringLiteral("laptop")},
        {QStringLiteral("memorychip"), QStringLiteral("memory")},
        {QStringLiteral("internaldrive"), QStringLiteral("device-hdd")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("arrow-clockwise")},
        {QStringLiteral("sparkles"), QStringLiteral("stars")},
        {QStringLiteral("square.grid.2x2"), QStringLiteral("grid")},
        {QStringLiteral("arrow.down.circle"), QStringLiteral("arrow-down-circle")},
        {QStringLiteral("doc"), QStringLiteral("file-earmark")},
        {QStringLiteral("gearshape"), QStringLiteral("gear")},
        {QStringLiteral("chevron.left"), QStringLiteral("chevron-left")},
        {QStringLiteral("chevron.right"), QStringLiteral("chevron-right")},
        {QStringLiteral("die.face.1.fill"), QStringLiteral("dice-1-fill")},
        {QStringLiteral("die.face.2.fill"), QStringLiteral("dice-2-fill")},
        {QStringLiteral("die.face.3.fill"), QStringLiteral("dice-3-fill")},
        {QStringLiteral("die.face.4.fill"), QStringLiteral("dice-4-fill")},
        {QStringLiteral("die.face.5.fill"), QStringLiteral("dice-5-fill")},
        {QStringLiteral("die.face.6.fill"), QStringLiteral("dice-6-fill")},
        {QStringLiteral("dice.fill"), QStringLiteral("dice-5-fill")},
    };
    return names;
}

QString cacheKey(const QString &name, int size, const QColor &color, qreal ratio)
{
    return name % u'|' % QString::number(size) % u'|' % QString::number(color.rgba(), 16) % u'|'
        % QString::number(ratio);
}

} // namespace

QString resourcePath(const QString &name)
{
    const QString icon = iconNames().value(name);
    return icon.isEmpty() ? QString()
                          : QStringLiteral(":/symbols/") % icon % QStringLiteral(".svg");
}

bool exists(const QString &name)
{
    return iconNames().contains(name);
}

QPixmap pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio)
{
    if (size <= 0 || devicePixelRatio <= 0)
        return {};
    static QCache<QString, QPixmap> cache(512);
    const QString key = cacheKey(name, size, color, devicePixelRatio);
    if (const QPixmap *cached = cache.object(key))
        return *cached;

    const QString path = resourcePath(name);
    if (path.isEmpty())
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};

    const int pixels = qCeil(size * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    auto *result = new QPixmap(QPixmap::fromImage(std::move(image)));
    result->setDevicePixelRatio(devicePixelRatio);
    const QPixmap copy = *result;
    cache.insert(key, result);
    return copy;
}

} // namespace Symbols
