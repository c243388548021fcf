#include "digitlabel.h"

#include "digittext.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

DigitLabel::DigitLabel(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

DigitLabel::DigitLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
    : DigitLabel(parent)
{
    m_text = text;
    m_font = font;
    m_color = color;
}

void DigitLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    const bool widthChanged = qAbs(DigitText::width(text, m_font) - naturalWidth()) > 0.01;
    m_text = text;
    if (widthChanged)
        updateGeometry();
    update();
}

void DigitLabel::setTextFont(const QFont &font)
{
    m_font = font;
    updateGeometry();
    update();
}

void DigitLabel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void DigitLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void DigitLabel::setMinimumScale(qreal scale)
{
    m_minimumScale = qBound(0.01, scale, 1.0);
    updateGeometry();
    update();
}

qreal DigitLabel::naturalWidth() const
{
    return DigitText::width(m_text, m_font);
}

qreal DigitLabel::currentScale() const
{
    const qreal natural = naturalWidth();
    if (natural <= width() || natural <= 0)
        return 1.0;
    return qBound(m_minimumScale, width() / natural, 1.0);
}

QSize DigitLabel::sizeHint() const
{
    return QSize(qCeil(naturalWidth()), qCeil(QFontMetricsF(m_font).height()));
}

QSize DigitLabel::minimumSizeHint() const
{
    return QSize(qCeil(naturalWidth() * m_minimumScale), qCeil(QFontMetricsF(m_font).height()));
}

void DigitLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(m_color);
    DigitText::draw(painter, rect(), m_alignment, m_text, m_font, m_minimumScale);
}
