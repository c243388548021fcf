#include "shadowview.h"

#include <QPaintEvent>
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

void ShadowView::paintEvent(QPaintEvent *event)
{
    if (m_shapeSize.isEmpty() || m_opacity <= 0)
        return;
    const Shadow shadow = cachedShadow(m_shapeSize, m_look, devicePixelRatioF());
    const QMarginsF margins = shadowMargins(m_look);
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.translate(QPointF(margins.left(), margins.top()) - shadow.shapeOrigin);
    if (shadow.clear.isEmpty()) {
        painter.drawPixmap(QPointF(0, 0), shadow.pixmap);
        return;
    }
    // Blending the transparent middle under the card would change nothing, and it is most
    // of the pixmap: draw the soft edge only.
    const qreal ratio = shadow.pixmap.devicePixelRatio();
    const QRect whole
        = QRectF(QPointF(0, 0), shadow.pixmap.deviceIndependentSize()).toAlignedRect();
    const QRegion edge
        = (painter.transform().inverted().map(event->region()) & whole) - shadow.clear;
    for (const QRect &rect : edge) {
        const QRectF source(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio);
        painter.drawPixmap(QRectF(rect), shadow.pixmap, source);
    }
}
