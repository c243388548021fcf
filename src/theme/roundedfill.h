#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// Fills a rounded rectangle as QPainter::fillPath does, antialiased. Where it lies on whole
// device pixels it is drawn from an image cached per size, radius and colour: Qt hands an
// antialiased shape of more than about 90 rows to its thread pool and waits for it, which
// costs the first paint of a show far more than the fill, and the pool competes for the
// cores with the rest of the show.
void fillRoundedRect(QPainter &painter, const QRectF &rect, qreal radius, const QColor &colour);
