#include "symbolview.h"

#include "symbols.h"

#include <QPainter>

SymbolView::SymbolView(const QString &name, int size, const QColor &color, QWidget *parent)
    : QWidget(parent)
    , m_name(name)
    , m_size(size)
    , m_color(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolView::setSymbol(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    update();
}

void SymbolView::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

QSize SymbolView::sizeHint() const
{
    return QSize(m_size, m_size);
}

void SymbolView::paintEvent(QPaintEvent *)
{
    const QPixmap pixmap = Symbols::pixmap(m_name, m_size, m_color, devicePixelRatioF());
    if (pixmap.isNull())
        return;
    QPainter painter(this);
    const QPoint topLeft((width() - m_size) / 2, (height() - m_size) / 2);
    painter.drawPixmap(topLeft, pixmap);
}
