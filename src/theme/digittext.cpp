#include "digittext.h"

#include "mainthreadkept.h"
#include "shapedtext.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <algorithm>
#include <array>
#include <utility>

namespace DigitText {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The widest digit's ink plus the usual room beside a digit. The widest advance would do
// for a font with even bearings, but a rounded font's "4" carries so much room that every
// other digit would float in its cell.
qreal measureCell(const QFontMetricsF &metrics)
{
    qreal widestInk = 0;
    std::array<qreal, 10> room {};
    for (char16_t c = u'0'; c <= u'9'; ++c) {
        const qreal ink = metrics.boundingRect(QChar(c)).width();
        widestInk = qMax(widestInk, ink);
        room[c - u'0'] = qMax(0.0, metrics.horizontalAdvance(QChar(c)) - ink);
    }
    std::sort(room.begin(), room.end());
    return widestInk + (room[4] + room[5]) / 2;
}

// Measures are kept per font (and text): each is twenty glyph lookups or a shaping, and
// a label asks for them several times at every paint. Kept for the main thread only, and
// let go with the application, as they hold its fonts.
constexpr qsizetype maximumKept = 256;

struct Measures
{
    QHash<QFont, qreal> cells;
    QHash<std::pair<QFont, QString>, qreal> widths;
};

qreal cellWidth(const QFont &font, const QFontMetricsF &metrics)
{
    Measures *kept = keptForMainThread<Measures>();
    if (!kept)
        return measureCell(metrics);
    if (const auto found = kept->cells.constFind(font); found != kept->cells.constEnd())
        return *found;
    if (kept->cells.size() >= maximumKept)
        kept->cells.clear();
    return *kept->cells.insert(font, measureCell(metrics));
}

// Calls `run(text, x, isDigit, advance)` for each digit and each run of other characters.
template<typename Run>
qreal walk(const QString &text, const QFont &font, const QFontMetricsF &metrics, Run run)
{
    const qreal cell = cellWidth(font, metrics);
    qreal x = 0;
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) {
        if (end <= start)
            return;
        const QString part = text.mid(start, end - start);
        const qreal advance = metrics.horizontalAdvance(part);
        run(part, x, false, advance);
        x += advance;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isAsciiDigit(text.at(i)))
            continue;
        flush(i);
        run(QString(text.at(i)), x, true, cell);
        x += cell;
        start = i + 1;
    }
    flush(text.size());
    return x;
}

} // namespace

qreal width(const QString &text, const QFont &font)
{
    const auto measure = [&] {
        const QFontMetricsF metrics(font);
        return walk(text, font, metrics, [](const QString &, qreal, bool, qreal) {});
    };
    Measures *kept = keptForMainThread<Measures>();
    if (!kept)
        return measure();
    const std::pair key(font, text);
    if (const auto found = kept->widths.constFind(key); found != kept->widths.constEnd())
        return *found;
    if (kept->widths.size() >= maximumKept)
        kept->widths.clear();
    return *kept->widths.insert(key, measure());
}

QSizeF size(const QString &text, const QFont &font)
{
    return QSizeF(width(text, font), QFontMetricsF(font).height());
}

qreal fittingScale(const QString &text, const QFont &font, qreal availableWidth, qreal minimumScale)
{
    const qreal natural = width(text, font);
    if (natural <= availableWidth || natural <= 0)
        return 1.0;
    return qBound(qMin(minimumScale, 1.0), availableWidth / natural, 1.0);
}

QString fitted(const QString &text, const QFont &font, qreal availableWidth, qreal minimumScale)
{
    const qreal scale = qBound(0.01, minimumScale, 1.0);
    if (width(text, font) * scale <= availableWidth)
        return text;
    // The longest start of the text that fits with the ellipsis after it.
    const QChar ellipsis(0x2026);
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        if (width(text.left(middle) + ellipsis, font) * scale <= availableWidth)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits > 0 && text.at(fits - 1).isHighSurrogate())
        --fits;
    return text.left(fits) + ellipsis;
}

void draw(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &full,
    const QFont &font, qreal minimumScale)
{
    // Too wide even at the smallest scale: cut at the end, never drop the leading digits.
    const QString text = fitted(full, font, rect.width(), minimumScale);
    const QFontMetricsF metrics(font);
    const qreal natural = width(text, font);
    const qreal scale = fittingScale(text, font, rect.width(), minimumScale);
    const qreal drawnWidth = natural * scale;
    const qreal drawnHeight = metrics.height() * scale;

    qreal left = rect.left();
    if (alignment & Qt::AlignHCenter)
        left = rect.center().x() - drawnWidth / 2;
    else if (alignment & Qt::AlignRight)
        left = rect.right() - drawnWidth;
    qreal top = rect.center().y() - drawnHeight / 2;
    if (alignment & Qt::AlignTop)
        top = rect.top();
    else if (alignment & Qt::AlignBottom)
        top = rect.bottom() - drawnHeight;

    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(font);
    painter.translate(left, top);
    painter.scale(scale, scale);
    const qreal baseline = metrics.ascent();
    walk(text, font, metrics, [&](const QString &part, qreal x, bool digit, qreal cell) {
        // A digit's ink, not its advance, is centred: proportional digits carry uneven side
        // bearings, which would show as uneven gaps between the cells.
        qreal offset = 0;
        if (digit) {
            const QRectF ink = metrics.boundingRect(part.at(0));
            offset = (cell - ink.width()) / 2 - ink.left();
        }
        ShapedText::draw(painter, QPointF(x + offset, baseline), part);
    });
    painter.restore();
}

} // namespace DigitText
