#include "roundedfill.h"

#include <QCache>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <mutex>

namespace {

bool whole(qreal value)
{
    return qAbs(value - qRound(value)) < 1e-6;
}

// Larger shapes are rare and fill quickly enough for their size; the cache stays small.
constexpr qsizetype largestCachedBytes = 256 * 1024;
constexpr int cacheBytes = 1024 * 1024;

} // namespace

void fillRoundedRect(QPainter &painter, const QRectF &rect, qreal radius, const QColor &colour)
{
    const auto fill = [&] {
        QPainterPath shape;
        shape.addRoundedRect(rect, radius, radius);
        painter.fillPath(shape, colour);
    };
    const QTransform device = painter.deviceTransform();
    const QRectF pixels = device.mapRect(rect);
    const qreal scale = device.m11();
    const bool plain = device.type() <= QTransform::TxScale && scale > 0 && device.m22() == scale
        && painter.compositionMode() == QPainter::CompositionMode_SourceOver;
    if (!plain || !whole(pixels.x()) || !whole(pixels.y()) || !whole(pixels.width())
        || !whole(pixels.height()) || pixels.isEmpty()
        || qsizetype(pixels.width()) * qsizetype(pixels.height()) * 4 > largestCachedBytes) {
        fill();
        return;
    }
    static QCache<QString, QImage> cache(cacheBytes / 1024);
    static std::mutex lock;
    const QSize size(qRound(pixels.width()), qRound(pixels.height()));
    const QString key = QStringLiteral("%1x%2|%3|%4|%5")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(radius)
                            .arg(colour.rgba(), 0, 16)
                            .arg(scale);
    std::unique_lock locked(lock);
    QImage image;
    if (const QImage *cached = cache.object(key)) {
        image = *cached;
    } else {
        auto *made = new QImage(size, QImage::Format_ARGB32_Premultiplied);
        made->fill(Qt::transparent);
        {
            QPainter into(made);
            into.setRenderHint(QPainter::Antialiasing);
            into.scale(scale, scale);
            QPainterPath at;
            at.addRoundedRect(QRectF(QPointF(0, 0), rect.size()), radius, radius);
            into.fillPath(at, colour);
        }
        made->setDevicePixelRatio(scale);
        const int cost = qMax(1, int(made->sizeInBytes() / 1024));
        image = *made;
        cache.insert(key, made, cost);
    }
    locked.unlock();
    painter.drawImage(rect.topLeft(), image);
}
