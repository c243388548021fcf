#include "toolbarbuttonstyle.h"

#include "roundedfill.h"
#include "shapedtext.h"
#include "symbols.h"
#include "theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

ToolbarButtonStyle::ToolbarButtonStyle(const QString &text, bool prominent, QWidget *parent)
    : QAbstractButton(parent)
    , m_prominent(prominent)
{
    setText(text);
    setFont(Theme::font(13, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    // Repaint on press and release without waiting for anything else to change.
    connect(this, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
}

void ToolbarButtonStyle::setSymbol(const QString &name, int frame)
{
    m_symbol = name;
    m_symbolFrame = frame;
    updateGeometry();
    update();
}

QColor ToolbarButtonStyle::fill(bool prominent, bool pressed)
{
    if (prominent)
        return Theme::withOpacity(Theme::accent(), pressed ? 0.55 : 0.85);
    return Theme::white(pressed ? 0.08 : 0.13);
}

QSize ToolbarButtonStyle::sizeHint() const
{
    const QFontMetricsF metrics(font());
    QSizeF content;
    if (!m_symbol.isEmpty())
        content = QSizeF(m_symbolFrame, m_symbolFrame);
    else
        content = QSizeF(metrics.horizontalAdvance(text()), metrics.height());
    return QSize(qCeil(content.width()) + 2 * horizontalPadding,
        qCeil(content.height()) + 2 * verticalPadding);
}

void ToolbarButtonStyle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    const qreal radius = bounds.height() / 2;
    fillRoundedRect(painter, bounds, radius, currentFill());

    const QRectF content
        = bounds.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    if (!m_symbol.isEmpty()) {
        // The symbol glyph sits a little inside its frame, as a text-sized image would.
        const int glyph = qMax(1, qRound(m_symbolFrame * 0.78));
        const QPixmap pixmap = Symbols::pixmap(m_symbol, glyph, Qt::white, devicePixelRatioF());
        const QPointF topLeft(
            content.center().x() - glyph / 2.0, content.center().y() - glyph / 2.0);
        painter.drawPixmap(topLeft, pixmap);
        return;
    }
    painter.setPen(Qt::white);
    painter.setFont(font());
    ShapedText::draw(painter, content, Qt::AlignCenter | Qt::TextSingleLine, text());
}
