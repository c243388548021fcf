#include "draghandle.h"

#include "theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

DragHandle::DragHandle(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("dragHandle"));
    setFixedSize(hitSize);
    setCursor(Qt::OpenHandCursor);
    setToolTip(QStringLiteral("Drag to move this widget"));
}

void DragHandle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::white(0.35));
    const QRectF capsule(
        QPointF((width() - capsuleSize.width()) / 2.0, (height() - capsuleSize.height()) / 2.0),
        QSizeF(capsuleSize));
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
}

void DragHandle::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // Positions are taken on the screen: the handle itself moves during the drag.
    m_pressGlobal = event->globalPosition();
    m_pressed = true;
    m_dragging = false;
    event->accept();
}

void DragHandle::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return;
    const QPointF translation = event->globalPosition() - m_pressGlobal;
    if (!m_dragging) {
        if (std::hypot(translation.x(), translation.y()) < minimumDistance)
            return;
        m_dragging = true;
        setCursor(Qt::ClosedHandCursor);
        Q_EMIT dragStarted();
    }
    Q_EMIT dragChanged(translation);
}

void DragHandle::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressed || event->button() != Qt::LeftButton)
        return;
    m_pressed = false;
    if (!m_dragging)
        return;
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
    Q_EMIT dragEnded(event->globalPosition() - m_pressGlobal);
}
