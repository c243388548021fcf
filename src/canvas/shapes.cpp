#include "shapes.h"

#include "boxblur.h"

#include <QCache>
#include <QImage>
#include <QMarginsF>
#include <QPainter>
#include <QtMath>
#include <array>

QPainterPath continuousRoundedRect(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    // The corner curve reaches 1.5287 radii along each edge; keep room for it.
    constexpr qreal reach = 1.52866483;
    const qreal r = qMax(0.0, qMin(radius, qMin(rect.width(), rect.height()) / 2 / reach));
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    struct P
    {
        qreal a, b;
    };
    // One corner, as distances along the incoming edge (a) and into the side (b).
    static constexpr std::array<P, 10> corner {
        {{1.08849323, 0.0}, {0.86840689, 0.0}, {0.66993427, 0.06549600}, {0.63149399, 0.07491100},
            {0.37282392, 0.16905899}, {0.16906013, 0.37282401}, {0.07491176, 0.63149399},
            {0.0, 0.86840701}, {0.0, 1.08849299}, {0.0, reach}}};
    struct Corner
    {
        QPointF origin, along, into;
    };
    const std::array<Corner, 4> corners {{
        {rect.topRight(), {-1, 0}, {0, 1}},
        {rect.bottomRight(), {0, -1}, {-1, 0}},
        {rect.bottomLeft(), {1, 0}, {0, -1}},
        {rect.topLeft(), {0, 1}, {1, 0}},
    }};
    const auto point
        = [r](const Corner &c, P p) { return c.origin + c.along * (p.a * r) + c.into * (p.b * r); };
    path.moveTo(point(corners[3], {0, reach}));
    for (const Corner &c : corners) {
        path.lineTo(point(c, {reach, 0}));
        path.cubicTo(point(c, corner[0]), point(c, corner[1]), point(c, corner[2]));
        path.lineTo(point(c, corner[3]));
        path.cubicTo(point(c, corner[4]), point(c, corner[5]), point(c, corner[6]));
        path.cubicTo(point(c, corner[7]), point(c, corner[8]), point(c, corner[9]));
    }
    path.closeSubpath();
    return path;
}

namespace {

// Three passes of a box of radius r spread a point over 3r on each side.
qreal shadowReach(qreal radius) { return qCeil(radius * 3) + 1; }

} // namespace

QMarginsF shadowMargins(const ShadowLook &look)
{
    const qreal reach = shadowReach(look.radius);
    return QMarginsF(reach + qMax(0.0, -look.offset.x()), reach + qMax(0.0, -look.offset.y()),
        reach + qMax(0.0, look.offset.x()), reach + qMax(0.0, look.offset.y()));
}

Shadow cachedShadow(QSizeF size, const ShadowLook &look, qreal devicePixelRatio)
{
    static QCache<QString, Shadow> cache(64);
    const QString key = QStringLiteral("%1x%2|%3|%4|%5|%6|%7,%8|%9")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(look.cornerRadius)
                            .arg(look.continuousCorners)
                            .arg(look.color.rgba(), 0, 16)
                            .arg(look.radius)
                            .arg(look.offset.x())
                            .arg(look.offset.y())
                            .arg(devicePixelRatio);
    if (const Shadow *cached = cache.object(key))
        return *cached;

    const qreal reach = shadowReach(look.radius);
    const QSizeF full(size.width() + 2 * reach + qAbs(look.offset.x()),
        size.height() + 2 * reach + qAbs(look.offset.y()));
    // Blurring at a reduced scale is far cheaper and invisible in a soft shadow.
    const qreal blurScale = look.radius > 8 ? 0.5 : 1.0;
    QImage image(qCeil(full.width() * blurScale), qCeil(full.height() * blurScale),
        QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QPointF shapeOrigin(
        reach + qMax(0.0, -look.offset.x()), reach + qMax(0.0, -look.offset.y()));
    const auto shape = [&](QPointF at) {
        const QRectF rect(at, size);
        if (look.continuousCorners)
            return continuousRoundedRect(rect, look.cornerRadius);
        QPainterPath path;
        path.addRoundedRect(rect, look.cornerRadius, look.cornerRadius);
        return path;
    };
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(blurScale, blurScale);
        painter.fillPath(shape(shapeOrigin + look.offset), look.color);
    }
    // Three box passes of radius r approximate a Gaussian of sigma ~ r; the toolkit's
    // shadow radius is that sigma.
    boxBlur(image, qMax(1, qRound(look.radius * blurScale)));

    QImage result(qCeil(full.width() * devicePixelRatio), qCeil(full.height() * devicePixelRatio),
        QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawImage(QRectF(QPointF(0, 0), full * devicePixelRatio), image);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.scale(devicePixelRatio, devicePixelRatio);
        painter.fillPath(shape(shapeOrigin), Qt::black);
    }
    auto *shadow = new Shadow {QPixmap::fromImage(std::move(result)), shapeOrigin};
    shadow->pixmap.setDevicePixelRatio(devicePixelRatio);
    const Shadow copy = *shadow;
    cache.insert(key, shadow);
    return copy;
}
