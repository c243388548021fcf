#include "cardglass.h"

#include "backdrop.h"
#include "pixelloop.h"
#include "shapes.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QtMath>
#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

// A card just large enough for its four corners, as runs of equal fill coverage and border
// alpha along each row. A larger card is this one with its middle row and column repeated:
// its edges are straight.
struct Run
{
    int start; // columns of the small card, end exclusive
    int end;
    uchar fill; // coverage
    uchar border; // the border colour's alpha as drawn, twice where its segments meet
};

struct Corners
{
    int extent = 0; // pixels from each side that the corner curves reach into
    int side = 0;
    std::vector<std::vector<Run>> rows;
};

const Corners &cornersFor(qreal radius, int borderAlpha)
{
    // Entries are never dropped, so a reference stays good after the lock is let go.
    static std::map<std::pair<qreal, int>, Corners> cache;
    static std::mutex lock;
    const std::lock_guard locked(lock);
    const std::pair key(radius, borderAlpha);
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;
    Corners corners;
    // The curve reaches 1.53 radii along each edge; one more pixel for its soft edge.
    corners.extent = qCeil(radius * 1.52866483) + 1;
    corners.side = 2 * corners.extent + 1;
    const QRectF bounds(0, 0, corners.side, corners.side);
    const auto coverage = [&](const auto &draw) {
        QImage image(corners.side, corners.side, QImage::Format_Alpha8);
        image.fill(0);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
        return image;
    };
    const QImage fill = coverage([&](QPainter &painter) {
        painter.fillPath(continuousRoundedRect(bounds, radius), Qt::black);
    });
    const QImage border = coverage([&](QPainter &painter) {
        painter.setPen(QPen(QColor(0, 0, 0, borderAlpha), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(continuousRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), radius));
    });
    for (int y = 0; y < corners.side; ++y) {
        std::vector<Run> runs;
        const uchar *f = fill.constScanLine(y);
        const uchar *b = border.constScanLine(y);
        for (int x = 0; x < corners.side; ++x) {
            if (!runs.empty() && runs.back().fill == f[x] && runs.back().border == b[x])
                runs.back().end = x + 1;
            else
                runs.push_back({x, x + 1, f[x], b[x]});
        }
        corners.rows.push_back(std::move(runs));
    }
    return cache.emplace(key, std::move(corners)).first->second;
}

// The weight in 256ths with which a colour of `alpha` lands at `coverage`, as the painter
// blends an antialiased fill.
quint16 weight(int alpha, int coverage)
{
    return quint16(qRound(alpha * coverage * 256.0 / (255.0 * 255.0)));
}

// Each byte of `pixels` moved towards the same byte of `colour` by `w` 256ths: over
// premultiplied pixels, alpha included, that is the painter's blend of a colour.
PIXEL_LOOP void mixColour(uchar *pixels, int count, const std::array<uchar, 4> &colour, quint16 w)
{
    if (w == 0)
        return;
    const auto keep = quint16(256 - w);
    const std::array<quint16, 4> add {quint16(colour[0] * w), quint16(colour[1] * w),
        quint16(colour[2] * w), quint16(colour[3] * w)};
    for (int i = 0; i < count; ++i, pixels += 4) {
        for (int c = 0; c < 4; ++c)
            pixels[c] = uchar(quint16(quint16(pixels[c] * keep) + add[size_t(c)]) >> 8);
    }
}

// The same towards other pixels.
PIXEL_LOOP void mixPixels(uchar *pixels, const uchar *from, int count, quint16 w)
{
    if (w == 0)
        return;
    if (w >= 256) {
        std::memcpy(pixels, from, size_t(count) * 4);
        return;
    }
    const auto keep = quint16(256 - w);
    for (int i = 0; i < count * 4; ++i)
        pixels[i] = uchar(quint16(quint16(pixels[i] * keep) + quint16(from[i] * w)) >> 8);
}

} // namespace

namespace CardGlass {

QRect interior(const QRect &bounds, const Look &look)
{
    const Corners &corners = cornersFor(look.cornerRadius, look.border.alpha());
    if (bounds.width() < corners.side || bounds.height() < corners.side)
        return {};
    // The middle row, repeated between the corners, with its middle run stretched.
    for (const Run &run : corners.rows[size_t(corners.extent)]) {
        if (run.start <= corners.extent && corners.extent < run.end) {
            if (run.fill != 255 || run.border != 0)
                return {};
            const int stretch = bounds.width() - corners.side;
            return QRect(QPoint(bounds.left() + run.start, bounds.top() + corners.extent),
                QPoint(bounds.left() + run.end + stretch - 1, bounds.bottom() - corners.extent));
        }
    }
    return {};
}

void tintInterior(uchar *pixels, int count, const Look &look)
{
    const std::array<uchar, 4> fill {
        uchar(look.fill.blue()), uchar(look.fill.green()), uchar(look.fill.red()), 255};
    mixColour(pixels, count, fill, weight(look.fill.alpha(), 255));
}

bool paint(QPainter &painter, const QRect &bounds, const QRect &area, const QRegion &covered,
    const Backdrop &backdrop, QPoint source, const Look &look)
{
    const Corners &corners = cornersFor(look.cornerRadius, look.border.alpha());
    if (bounds.width() < corners.side || bounds.height() < corners.side || backdrop.image().isNull()
        || !QRect(QPoint(0, 0), backdrop.size())
                .contains(bounds.translated(source - bounds.topLeft())))
        return false;
    backdrop.followRatio(painter);
    QPoint offset;
    QImage *device = backdrop.ratio() == 1.0 ? Backdrop::directTarget(painter, &offset) : nullptr;
    // Premultiplied pixels blend towards a colour as opaque ones do, alpha included.
    if (!device
        || (device->format() != QImage::Format_RGB32
            && device->format() != QImage::Format_ARGB32_Premultiplied))
        return false;

    const QRect paintable = (bounds & area) & device->rect().translated(-offset);
    if (paintable.isEmpty())
        return true;
    const int stretch = bounds.width() - corners.side;
    const auto runsOf = [&](int y) -> const std::vector<Run> & {
        const int h = bounds.height();
        const int row = y < corners.extent ? y
            : y >= h - corners.extent      ? y - (h - corners.side)
                                           : corners.extent;
        return corners.rows[size_t(row)];
    };
    // Each run of the small card over this card's columns, cut to [left, right).
    const auto forRuns = [&](int y, int left, int right, const auto &apply) {
        for (const Run &run : runsOf(y - bounds.top())) {
            const int start
                = bounds.left() + (run.start <= corners.extent ? run.start : run.start + stretch);
            const int end
                = bounds.left() + (run.end <= corners.extent ? run.end : run.end + stretch);
            if (qMax(start, left) < qMin(end, right))
                apply(run, qMax(start, left), qMin(end, right));
        }
    };
    const auto pixel = [&](int x, int y) {
        return device->scanLine(y + offset.y()) + qsizetype(x + offset.x()) * 4;
    };

    // Where something lies under the card, the backdrop hides it, softly at the corners.
    // The corners' soft edges take it always, as the card's own shadow reaches under them.
    QRegion cornerSquares;
    const QSize corner(corners.extent, corners.extent);
    for (const QPoint &at : {bounds.topLeft(), bounds.topRight() - QPoint(corner.width() - 1, 0),
             bounds.bottomLeft() - QPoint(0, corner.height() - 1),
             bounds.bottomRight() - QPoint(corner.width() - 1, corner.height() - 1)})
        cornerSquares += QRect(at, corner);
    // Between the corners the card covers whole pixels: the backdrop is written as it is.
    for (const QRect &rect : (covered - cornerSquares).intersected(paintable))
        backdrop.paint(painter, rect, rect.topLeft() + source - bounds.topLeft());
    for (const QRect &rect : cornerSquares.intersected(paintable)) {
        const QImage piece = backdrop.composed(rect.translated(source - bounds.topLeft()));
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const uchar *from = piece.constScanLine(y - rect.top());
            forRuns(y, rect.left(), rect.right() + 1, [&](const Run &run, int start, int end) {
                mixPixels(pixel(start, y), from + qsizetype(start - rect.left()) * 4, end - start,
                    weight(255, run.fill));
            });
        }
    }

    // Then the fill and the border over the whole card, each towards its own colour.
    const auto bytes = [](const QColor &colour) {
        return std::array<uchar, 4> {
            uchar(colour.blue()), uchar(colour.green()), uchar(colour.red()), 255};
    };
    const std::array<uchar, 4> fill = bytes(look.fill);
    const std::array<uchar, 4> border = bytes(look.border);
    for (int y = paintable.top(); y <= paintable.bottom(); ++y) {
        forRuns(
            y, paintable.left(), paintable.right() + 1, [&](const Run &run, int start, int end) {
                uchar *at = pixel(start, y);
                mixColour(at, end - start, fill, weight(look.fill.alpha(), run.fill));
                mixColour(at, end - start, border, weight(255, run.border));
            });
    }
    return true;
}

} // namespace CardGlass
