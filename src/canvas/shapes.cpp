#include "shapes.h"

#include "boxblur.h"

#include <QCache>
#include <QImage>
#include <QMarginsF>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <utility>

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
qreal shadowReach(qreal radius)
{
    return qCeil(radius * 3) + 1;
}

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
    static std::mutex lock;
    const std::lock_guard locked(lock);
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
    result.setDevicePixelRatio(devicePixelRatio);
    auto *shadow = new Shadow {std::move(result), shapeOrigin};
    const Shadow copy = *shadow;
    cache.insert(key, shadow);
    return copy;
}

namespace {

// A shadow piece's middle column repeated `bandLength` times side by side (across), and its
// middle row as many times one under another (down). An edge is then drawn as unscaled
// copies, which the painter blends many pixels at once, where stretching the single line
// blends pixel by pixel: the edges are most of a card's shadow.
constexpr int bandLength = 64;

struct Bands
{
    QImage across;
    QImage down;
};

// The middle column and row follow from the piece, so the piece alone is the key.
Bands bandsFor(const QImage &image, int column, int row)
{
    static QCache<qint64, Bands> cache(8);
    static std::mutex lock;
    const std::lock_guard locked(lock);
    if (const Bands *cached = cache.object(image.cacheKey()))
        return *cached;
    QImage across(bandLength, image.height(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y)
        std::fill_n(
            reinterpret_cast<QRgb *>(across.scanLine(y)), bandLength, image.pixel(column, y));
    QImage down(image.width(), bandLength, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < bandLength; ++y)
        std::copy_n(reinterpret_cast<const QRgb *>(image.constScanLine(row)), image.width(),
            reinterpret_cast<QRgb *>(down.scanLine(y)));
    auto *bands = new Bands {std::move(across), std::move(down)};
    const Bands copy = *bands;
    cache.insert(image.cacheKey(), bands);
    return copy;
}

} // namespace

void paintShadow(QPainter &painter, QPointF shapeAt, QSizeF size, const ShadowLook &look)
{
    // Away from the corners a shadow is the same all along each side: past the corner
    // curve, the offset and the blur's reach, rows and columns repeat. The blur reaches
    // three radii, but beyond 2.2 it carries under 1% of its weight; stopping there lets
    // every card of the usual sizes share one piece.
    constexpr qreal cornerReach = 1.53;
    const int k = qCeil(look.cornerRadius * cornerReach + 2.2 * look.radius
        + qMax(qAbs(look.offset.x()), qAbs(look.offset.y())) + 2);
    const QSizeF piece(qMin(size.width(), 2.0 * k + 1), qMin(size.height(), 2.0 * k + 1));
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const Shadow shadow = cachedShadow(piece, look, dpr);
    const QPointF origin = shapeAt - shadow.shapeOrigin;
    const qreal stretchX = size.width() - piece.width();
    const qreal stretchY = size.height() - piece.height();
    if (stretchX <= 0 && stretchY <= 0) {
        painter.drawImage(origin, shadow.image);
        return;
    }
    // Three bands a side in device pixels: before the middle line, the line, after it.
    const auto bands = [dpr](qreal shapeStart, qreal middle, int pixels, qreal stretch) {
        const int line = qBound(0, qRound((shapeStart + middle) * dpr), pixels - 1);
        const std::array<int, 4> source {0, line, line + 1, pixels};
        const std::array<qreal, 4> target {
            0, line / dpr, (line + 1) / dpr + stretch, pixels / dpr + stretch};
        return std::pair {source, target};
    };
    const auto [sx, tx] = bands(shadow.shapeOrigin.x(), qFloor(piece.width() / 2),
        shadow.image.width(), qMax(0.0, stretchX));
    const auto [sy, ty] = bands(shadow.shapeOrigin.y(), qFloor(piece.height() / 2),
        shadow.image.height(), qMax(0.0, stretchY));
    // The middle of the shape is cut out of its shadow, so it needs no drawing unless the
    // shape is too thin to have a middle.
    const bool hollow = qMin(size.width(), size.height()) >= 4;
    // At whole device pixels the edges are copied from the bands.
    const std::optional<Bands> edges
        = dpr == 1.0 ? std::optional(bandsFor(shadow.image, sx[1], sy[1])) : std::nullopt;
    const auto tile = [&](bool wide, const QRect &source, const QRectF &target) {
        const QImage &band = wide ? edges->across : edges->down;
        const qreal length = wide ? target.width() : target.height();
        for (qreal done = 0; done < length; done += bandLength) {
            const qreal step = qMin<qreal>(bandLength, length - done);
            const QRectF into = wide ? QRectF(target.x() + done, target.y(), step, target.height())
                                     : QRectF(target.x(), target.y() + done, target.width(), step);
            const QRectF from = wide ? QRectF(0, source.y(), step, source.height())
                                     : QRectF(source.x(), 0, source.width(), step);
            painter.drawImage(into, band, from);
        }
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (hollow && row == 1 && column == 1)
                continue;
            const QRectF target
                = QRectF(QPointF(tx[column], ty[row]), QPointF(tx[column + 1], ty[row + 1]))
                      .translated(origin);
            const QRect source(
                QPoint(sx[column], sy[row]), QPoint(sx[column + 1] - 1, sy[row + 1] - 1));
            if (source.isEmpty())
                continue;
            if (edges && (column == 1) != (row == 1))
                tile(column == 1, source, target);
            else
                painter.drawImage(target, shadow.image, source);
        }
    }
}
