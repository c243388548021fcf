#include "shapedtext.h"

#include "mainthreadkept.h"

#include <QFont>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <memory>
#include <utility>

namespace {

struct Key
{
    QString text;
    QFont font;
    int dpi; // fonts equal apart from their device's resolution shape differently

    bool operator==(const Key &other) const
    {
        return dpi == other.dpi && text == other.text && font == other.font;
    }
};

size_t qHash(const Key &key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.font, key.dpi);
}

struct Shape
{
    QTextLayout layout;
    qreal width = 0;
    qreal height = 0;

    Shape(const QString &text, const QFont &font)
        : layout(text, font)
    { }
};

constexpr qsizetype maximumShapes = 256;
// Kept for the main thread, where the faces paint, and let go with the application.
using Shapes = QHash<Key, std::shared_ptr<Shape>>;

const Shape &shapeOf(Shapes &shapes, const QString &text, const QFont &font, int dpi)
{
    Key key {text, font, dpi};
    if (const auto found = shapes.constFind(key); found != shapes.constEnd())
        return **found;
    if (shapes.size() >= maximumShapes)
        shapes.clear();
    // As the painter lays one line out: left aligned, no width to wrap at, at the top.
    auto shape = std::make_shared<Shape>(text, font);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    shape->layout.setTextOption(option);
    shape->layout.setCacheEnabled(true);
    shape->layout.beginLayout();
    QTextLine line = shape->layout.createLine();
    line.setLineWidth(0x01000000);
    line.setPosition(QPointF(0, 0));
    shape->layout.endLayout();
    shape->width = line.naturalTextWidth();
    shape->height = line.ascent() + line.descent();
    return **shapes.insert(key, std::move(shape));
}

bool drawnByPainter(const QPainter &painter, int flags, const QString &text)
{
    constexpr int plain = Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask | Qt::TextSingleLine
        | Qt::TextDontClip | Qt::TextForceLeftToRight;
    if (text.isEmpty() || (flags & ~plain) || (flags & Qt::AlignJustify)
        || (painter.layoutDirection() == Qt::RightToLeft && !(flags & Qt::TextForceLeftToRight))
        || painter.pen().style() == Qt::NoPen)
        return true;
    const QFont &font = painter.font();
    if (font.underline() || font.strikeOut() || font.overline())
        return true;
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar(0x9c) || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            return true;
    }
    return false;
}

} // namespace

namespace ShapedText {

void draw(QPainter &painter, const QRectF &rect, int flags, const QString &text)
{
    Shapes *shapes = keptForMainThread<Shapes>();
    if (!shapes || drawnByPainter(painter, flags, text)) {
        painter.drawText(rect, flags, text);
        return;
    }
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 0;
    const Shape &shape = shapeOf(*shapes, text, painter.font(), dpi);
    const int align = QStyle::visualAlignment(Qt::LeftToRight, Qt::Alignment(flags));
    qreal yoff = 0;
    if (align & Qt::AlignBottom)
        yoff = rect.height() - shape.height;
    else if (align & Qt::AlignVCenter)
        yoff = (rect.height() - shape.height) / 2;
    qreal xoff = 0;
    if (align & Qt::AlignRight)
        xoff = rect.width() - shape.width;
    else if (align & Qt::AlignHCenter)
        xoff = (rect.width() - shape.width) / 2;
    const QRectF bounds(rect.x() + xoff, rect.y() + yoff, shape.width, shape.height);
    const bool clip = !(flags & Qt::TextDontClip) && !rect.contains(bounds);
    if (clip) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    const QTextLine line = shape.layout.lineAt(0);
    const qreal advance = line.horizontalAdvance();
    xoff = 0;
    if (align & Qt::AlignRight)
        xoff = rect.width() - advance;
    else if (align & Qt::AlignHCenter)
        xoff = (rect.width() - advance) / 2;
    line.draw(&painter, QPointF(rect.x() + xoff, rect.y() + yoff));
    if (clip)
        painter.restore();
}

void draw(QPainter &painter, const QPointF &baseline, const QString &text)
{
    Shapes *shapes = keptForMainThread<Shapes>();
    if (!shapes || drawnByPainter(painter, 0, text)) {
        painter.drawText(baseline, text);
        return;
    }
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 0;
    const QTextLine line = shapeOf(*shapes, text, painter.font(), dpi).layout.lineAt(0);
    line.draw(&painter, QPointF(baseline.x(), baseline.y() - line.ascent()));
}

} // namespace ShapedText
