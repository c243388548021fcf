#include "roundbutton.h"

#include "shadowview.h"
#include "symbols.h"
#include "theme.h"

#include <QEvent>
#include <QPainter>
#include <QtMath>

namespace {
// Room around the circle for its antialiased edge: a region mask is not antialiased, so
// it reaches a little beyond the circle to leave the edge whole.
constexpr int fringe = 2;
} // namespace

RoundButton::RoundButton(const Look &look, const QString &symbol, QWidget *parent)
    : QAbstractButton(parent)
    , m_look(look)
    , m_symbol(symbol)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    setMask(QRegion(rect(), QRegion::Ellipse));
    if (parent)
        m_shadow = new ShadowView(m_look.shadow, parent);
    placeShadow();
}

RoundButton::~RoundButton()
{
    delete m_shadow;
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
    if (m_shadow)
        m_shadow->setOpacity(m_opacity);
    update();
}

QSize RoundButton::sizeHint() const
{
    return QSize(m_look.diameter + 2 * fringe, m_look.diameter + 2 * fringe);
}

QRectF RoundButton::circleFrame() const
{
    return QRectF(fringe, fringe, m_look.diameter, m_look.diameter);
}

void RoundButton::setFrameGeometry(const QRectF &frame)
{
    setGeometry(QRect(qRound(frame.left()) - fringe, qRound(frame.top()) - fringe,
        sizeHint().width(), sizeHint().height()));
}

void RoundButton::placeShadow()
{
    if (!m_shadow)
        return;
    m_shadow->setShapeGeometry(circleFrame().translated(pos()));
    m_shadow->setVisible(isVisible());
    m_shadow->stackUnder(this);
}

bool RoundButton::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
        placeShadow();
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}

bool RoundButton::hitButton(const QPoint &pos) const
{
    return m_opacity > 0 && mask().contains(pos);
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
