#include "backdrop.h"

#include "theme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QColor Backdrop::tint()
{
    return QColor(16, 18, 24, 200);
}

void Backdrop::setImage(const QImage &blurred)
{
    m_image = blurred;
    m_dirty = true;
}

void Backdrop::setSize(QSize size, qreal devicePixelRatio)
{
    if (size == m_size && devicePixelRatio == m_ratio)
        return;
    m_size = size;
    m_ratio = devicePixelRatio;
    m_dirty = true;
}

const QPixmap &Backdrop::pixmap() const
{
    if (m_dirty)
        compose();
    return m_composed;
}

void Backdrop::compose() const
{
    m_dirty = false;
    if (m_size.isEmpty()) {
        m_composed = QPixmap();
        return;
    }
    QImage image(m_size * m_ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(m_ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const QRectF bounds(QPointF(0, 0), QSizeF(m_size));
    if (m_image.isNull()) {
        painter.fillRect(bounds, tint());
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(bounds, m_image);
    }
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
    gradient.setColorAt(0, Theme::black(0.08));
    gradient.setColorAt(1, Theme::black(0.38));
    painter.fillRect(bounds, gradient);
    painter.end();
    m_composed = QPixmap::fromImage(std::move(image));
}

void Backdrop::paint(QPainter &painter, const QRectF &target, QPointF source) const
{
    const QPixmap &composed = pixmap();
    if (composed.isNull())
        return;
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(target, composed, QRectF(source * m_ratio, target.size() * m_ratio));
    painter.setCompositionMode(mode);
}

void Backdrop::paint(QPainter &painter, const QPainterPath &clip, QPointF source) const
{
    const QPixmap &composed = pixmap();
    if (composed.isNull())
        return;
    // A textured brush keeps the clip's edge antialiased where a clip region would not.
    // Brush textures are laid out in device pixels whatever their ratio: scale them back.
    QBrush brush(composed);
    brush.setTransform(
        QTransform::fromTranslate(-source.x(), -source.y()).scale(1 / m_ratio, 1 / m_ratio));
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillPath(clip, brush);
    painter.setCompositionMode(mode);
}
