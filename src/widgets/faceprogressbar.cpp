#include "faceprogressbar.h"

#include "theme.h"

#include <QPainter>
#include <cmath>

FaceProgressBar::FaceProgressBar(const QColor &tint, QWidget *parent)
    : QWidget(parent)
    , m_tint(tint)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FaceProgressBar::setValue(qreal value)
{
    const qreal clamped = std::isnan(value) ? 0.0 : qBound(0.0, value, 1.0);
    if (qFuzzyCompare(clamped + 1, m_value + 1))
        return;
    m_value = clamped;
    update();
}

void FaceProgressBar::setTint(const QColor &tint)
{
    m_tint = tint;
    update();
}

void FaceProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(0, (height() - barHeight) / 2.0, width(), barHeight);
    const qreal radius = barHeight / 2.0;
    painter.setBrush(Theme::white(0.14));
    painter.drawRoundedRect(track, radius, radius);
    if (m_value <= 0)
        return;
    // A sliver narrower than the capsule's ends would draw a lens; keep it at least round.
    QRectF filled = track;
    filled.setWidth(qMax(track.width() * m_value, qreal(barHeight)));
    painter.setBrush(m_tint);
    painter.drawRoundedRect(filled, radius, radius);
}
