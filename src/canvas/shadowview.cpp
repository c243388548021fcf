#include "shadowview.h"

#include <QPainter>
#include <QtMath>

ShadowView::ShadowView(const ShadowSpec &spec, QWidget *parent)
    : QWidget(parent)
    , m_spec(spec)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShadowView::setShapeGeometry(const QRectF &shape)
{
    m_shapeSize = shape.size();
    const QMarginsF margins = shadowMargins(m_spec);
    setGeometry(shape.marginsAdded(margins).toAlignedRect());
}

void ShadowView::paintEvent(QPaintEvent *)
{
    if (m_shapeSize.isEmpty())
        return;
    const Shadow shadow = cachedShadow(m_shapeSize, m_spec, devicePixelRatioF());
    const QMarginsF margins = shadowMargins(m_spec);
    QPainter painter(this);
    painter.drawPixmap(QPointF(margins.left(), margins.top()) - shadow.shapeOrigin, shadow.pixmap);
}
