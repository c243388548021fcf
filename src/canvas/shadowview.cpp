#include "shadowview.h"

#include "dashboardview.h"

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

std::function<void(QPainter &)> ShadowView::painting(const QRegion &area) const
{
    if (m_shapeSize.isEmpty() || m_opacity <= 0)
        return {};
    return [look = m_look, size = m_shapeSize, opacity = m_opacity, area](QPainter &painter) {
        const QMarginsF margins = shadowMargins(look);
        const QPointF at(margins.left(), margins.top());
        painter.setOpacity(opacity);
        if (area.isEmpty()) {
            paintShadow(painter, at, size, look);
            return;
        }
        // Rectangle by rectangle: the painter blends many pixels at once inside a
        // rectangle, and one by one inside any other shape.
        for (const QRect &rect : area) {
            painter.save();
            painter.setClipRect(rect, Qt::IntersectClip);
            paintShadow(painter, at, size, look);
            painter.restore();
        }
    };
}

void ShadowView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const auto left = DashboardView::leftToPaint(this, painter);
    if (left && left->isEmpty())
        return;
    if (const auto paint = painting(left.value_or(QRegion())))
        paint(painter);
}
