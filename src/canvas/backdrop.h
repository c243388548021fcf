#pragma once

#include <QImage>
#include <QRectF>
#include <functional>
#include <vector>

class QPainter;

// The canvas's two back layers: the blurred desktop (or the dark tint when there is none)
// under a black gradient from 0.08 at the top to 0.38 at the bottom. Cards and the gallery
// paint their part of it under their material, so what lies behind them reads as frosted
// glass rather than showing other cards through.
//
// Nothing screen-sized is kept: each paint composes just the pixels it covers, straight
// into the window's buffer where it can, so a show writes every backdrop pixel once.
class Backdrop
{
public:
    void setImage(const QImage &blurred);
    const QImage &image() const { return m_image; }
    void setSize(QSize size, qreal devicePixelRatio);
    QSize size() const { return m_size; }

    // Replaces the pixels of `target` (in the painter's coordinates, inside what it may
    // paint) with the backdrop's pixels at `source` (in canvas coordinates, same size).
    void paint(QPainter &painter, const QRect &target, QPoint source) const;
    // The same inside `clip`, antialiased at its edge; only the part within `area` (in the
    // painter's coordinates) if given, e.g. the rectangle a paint event asks for.
    void paint(QPainter &painter, const QPainterPath &clip, QPointF source,
        const QRectF &area = QRectF()) const;

    // Writes the whole canvas at ratio 1 into `bits`, rows of plain 32-bit pixels of
    // `pixels` size; false, leaving them alone, where there is no picture or the size is not
    // the canvas's. It may run on another thread than the painting, never beside it.
    bool composeWhole(uchar *bits, qsizetype bytesPerLine, QSize pixels);
    // The same in two steps, so that several threads may write rows of it at once: first
    // ready for the canvas of `pixels` size (false where composeWhole would be), then
    // `count` rows from `top`, written into `bits` from its first row, each handed to
    // `then` (canvas row, its pixels) as soon as it is written, while it is in the cache.
    bool prepareWhole(QSize pixels);
    void composeRows(uchar *bits, qsizetype bytesPerLine, int top, int count,
        const std::function<void(int, uchar *)> &then = {}) const;
    // The composed pixels of `pixels`, an area of the canvas in device pixels.
    QImage composed(const QRect &pixels) const;

    // The tint painted where no blurred desktop is available.
    static QColor tint();

    // Takes on the ratio of the pixels `painter` paints.
    void followRatio(const QPainter &painter) const;
    qreal ratio() const { return m_ratio; }

    // The image `painter` writes to, when its pixels are plain 32-bit ones reached from the
    // painter's coordinates by a whole-pixel shift (`offset`); null otherwise.
    static QImage *directTarget(const QPainter &painter, QPoint *offset);

private:
    // Where each device pixel samples the blurred image, for the current size and ratio.
    void prepareTaps() const;
    void composeInto(const QRect &pixels, uchar *bits, qsizetype bytesPerLine,
        const std::function<void(int, uchar *)> &then = {}) const;
    QSize pixelSize() const;

    struct Tap
    {
        int first;
        int second;
        quint32 weight; // of the second, in 256ths
    };

    QImage m_image;
    QSize m_size;
    mutable qreal m_ratio = 1.0; // of the pixels last painted
    mutable std::vector<Tap> m_columns;
    mutable std::vector<Tap> m_rows;
    // The columns' weights for each channel of a row: 256ths of the first and second tap.
    mutable std::vector<quint16> m_leftWeights;
    mutable std::vector<quint16> m_rightWeights;
    mutable QSize m_tapsFor; // the pixel size the taps are for
    mutable QSize m_tapsFrom; // and the blurred picture's
};
