#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

class QPainter;

// A rounded rectangle with continuous (curvature-smooth) corners, as the overlay's cards
// and sheets use.
QPainterPath continuousRoundedRect(const QRectF &rect, qreal radius);

// A soft drop shadow under a rounded shape, pre-blurred once and cached per size.
struct ShadowLook
{
    qreal cornerRadius = 0;
    bool continuousCorners = true;
    QColor color;
    qreal radius = 0; // blur radius in points
    QPointF offset;
};

struct Shadow
{
    QImage image; // an image, not a pixmap: panels may be painted ahead on another thread
    // Where the shape's top-left corner lies inside the image, in points.
    QPointF shapeOrigin;
};

// The shadow of a shape of `size`, with the shape itself cut out so a translucent fill
// above it stays clean.
Shadow cachedShadow(QSizeF size, const ShadowLook &look, qreal devicePixelRatio);
// How far a shadow reaches beyond its shape on each side (left, top, right, bottom).
QMarginsF shadowMargins(const ShadowLook &look);
// Paints the shadow of a shape of `size` whose top-left corner lies at `shapeAt`. A shape of
// any size is drawn from the cached shadow of a shape no larger than its corners need, so
// shapes of many sizes share a few small images. Safe on any thread.
void paintShadow(QPainter &painter, QPointF shapeAt, QSizeF size, const ShadowLook &look);
