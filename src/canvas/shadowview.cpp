#include "shadowview.h"

#include <QPainter>
#include <QtMath>

ShadowView::ShadowView(const ShadowLook &look, QWidget *parent)
    : QWidget(parent)
    , m_look(look)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShadowView::setShapeGeometry(const QRectF &shape)
{
    m_shapeSize = shape.size();
    const QMarginsF margins = shadowMargins(m_look);
    setGeometry(shape.marginsAdded(margins).toAlignedRect());
}

void ShadowView::setOpacity(qreal opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

void ShadowView::paintEvent(QPaintEvent *)
{
    if (m_shapeSize.isEmpty() || m_opacity <= 0)
        return;
    const QMarginsF margins = shadowMargins(m_look);
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    paintShadow(painter, QPointF(margins.left(), margins.top()), m_shapeSize, m_look);
}
