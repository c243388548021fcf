#include "roundbutton.h"

#include "symbols.h"
#include "theme.h"

#include <QPainter>
#include <QtMath>

RoundButton::RoundButton(const Look &look, const QString &symbol, QWidget *parent)
    : QAbstractButton(parent)
    , m_look(look)
    , m_symbol(symbol)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
}

void RoundButton::setSymbol(const QString &symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void RoundButton::setOpacity(qreal opacity)
{
    opacity = qBound(0.0, opacity, 1.0);
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    setAttribute(Qt::WA_TransparentForMouseEvents, m_opacity <= 0.0);
    update();
}

QSize RoundButton::sizeHint() const
{
    const QMarginsF margins = shadowMargins(m_look.shadow);
    return QSize(qCeil(m_look.diameter + margins.left() + margins.right()),
        qCeil(m_look.diameter + margins.top() + margins.bottom()));
}

QRectF RoundButton::circleFrame() const
{
    const QMarginsF margins = shadowMargins(m_look.shadow);
    return QRectF(margins.left(), margins.top(), m_look.diameter, m_look.diameter);
}

void RoundButton::setFrameGeometry(const QRectF &frame)
{
    const QMarginsF margins = shadowMargins(m_look.shadow);
    setGeometry(QRect(qRound(frame.left() - margins.left()), qRound(frame.top() - margins.top()),
        sizeHint().width(), sizeHint().height()));
}

bool RoundButton::hitButton(const QPoint &pos) const
{
    return m_opacity > 0 && circleFrame().contains(pos);
}

void RoundButton::paintEvent(QPaintEvent *)
{
    if (m_opacity <= 0)
        return;
    QPainter painter(this);
    // A plain button only dims while it is held.
    painter.setOpacity(m_opacity * (isDown() ? 0.75 : 1.0));
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = circleFrame();
    const Shadow shadow = cachedShadow(circle.size(), m_look.shadow, devicePixelRatioF());
    painter.drawPixmap(circle.topLeft() - shadow.shapeOrigin, shadow.pixmap);

    painter.setPen(Qt::NoPen);
    painter.setBrush(m_look.fill);
    painter.drawEllipse(circle);
    painter.setPen(QPen(Theme::white(m_look.ringOpacity), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));

    const int size = m_look.symbolSize;
    const QPixmap glyph = Symbols::pixmap(m_symbol, size, Qt::white, devicePixelRatioF());
    painter.drawPixmap(
        QPointF(circle.center().x() - size / 2.0, circle.center().y() - size / 2.0), glyph);
}
