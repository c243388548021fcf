#pragma once

#include <QImage>
#include <QPixmap>
#include <QRectF>

class QPainter;

// The canvas's two back layers composed once per size: the blurred desktop (or the dark
// tint when there is none) under a black gradient from 0.08 at the top to 0.38 at the
// bottom. Cards and the gallery paint their part of it under their material, so what lies
// behind them reads as frosted glass rather than showing other cards through.
class Backdrop
{
public:
    void setImage(const QImage &blurred);
    void setSize(QSize size, qreal devicePixelRatio);
    QSize size() const { return m_size; }

    // Replaces the pixels of `target` (in the painter's coordinates) with the backdrop's
    // pixels at `source` (in canvas coordinates, same size), clipped to `clip` if given.
    void paint(QPainter &painter, const QRectF &target, QPointF source) const;
    void paint(QPainter &painter, const QPainterPath &clip, QPointF source) const;

    const QPixmap &pixmap() const;

    // The tint painted where no blurred desktop is available.
    static QColor tint();

private:
    void compose() const;
    // The composed pixmap at the ratio of the pixels `painter` paints.
    const QPixmap &pixmapFor(const QPainter &painter) const;

    QImage m_image;
    QSize m_size;
    mutable qreal m_ratio = 1.0;
    mutable QPixmap m_composed;
    mutable QImage m_composedImage;
    mutable QImage m_texture; // m_composedImage's pixels at ratio 1
    mutable bool m_dirty = true;
};
