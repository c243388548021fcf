#pragma once

#include <QString>

class QPainter;
class QPointF;
class QRectF;

// Text drawn from shapes kept per font and text: shaping a text costs more than drawing
// it, and the faces draw the same short texts at every show. Shapes are kept for the main
// thread; other threads' text is drawn by the painter.
namespace ShapedText {

// Draws `text` in `rect` as QPainter::drawText(rect, flags, text) does. Text on one line
// is drawn from its kept shape; anything else (breaks, tabs, mnemonics, wrapping,
// right-to-left layout, decorated fonts) is left to the painter.
void draw(QPainter &painter, const QRectF &rect, int flags, const QString &text);
// The same for QPainter::drawText(baseline, text).
void draw(QPainter &painter, const QPointF &baseline, const QString &text);

} // namespace ShapedText
