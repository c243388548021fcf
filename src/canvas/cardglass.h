#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>

class Backdrop;
class QPainter;
class QRegion;

// A card's material written straight into the window's pixels: the backdrop where other
// widgets lie under the card, a faint fill and a hairline border. Through the painter's
// antialiased paths the same cost about a millisecond per card on every show.
namespace CardGlass {

struct Look
{
    qreal cornerRadius = 0;
    QColor fill;
    QColor border; // one pixel wide, inside the edge
};

// Paints the card `bounds` (painter coordinates) inside `area`. `covered` is where other
// widgets lie under the card and the backdrop must hide them; `source` is the card's place
// on the canvas. False, having painted nothing, where the target is not plain 32-bit
// pixels at ratio 1 or the card is too small for its corners: the painter's paths do it.
bool paint(QPainter &painter, const QRect &bounds, const QRect &area, const QRegion &covered,
    const Backdrop &backdrop, QPoint source, const Look &look);

// Where paint() leaves nothing but the fill over the backdrop, whatever lay there before:
// between the corners and inside the border. Relative to `bounds`; empty where paint()
// would leave the card to the painter's paths.
QRect interior(const QRect &bounds, const Look &look);
// Those pixels as paint() leaves them, from the backdrop's.
void tintInterior(uchar *pixels, int count, const Look &look);

} // namespace CardGlass
