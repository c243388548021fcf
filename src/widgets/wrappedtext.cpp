#include "wrappedtext.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>

WrappedText::WrappedText(const QFont &font, const QColor &color, qreal lineSpacing, QWidget *parent)
    : QWidget(parent)
    , m_color(color)
    , m_lineSpacing(lineSpacing)
{
    setFont(font);
    setAttribute(Qt::WA_TranslucentBackground);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_document.setDocumentMargin(0);
    m_document.setDefaultFont(font);
    rebuild();
}

void WrappedText::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    rebuild();
}

void WrappedText::rebuild()
{
    m_document.setPlainText(m_text);
    QTextCursor cursor(&m_document);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(m_lineSpacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(format);
    QTextCharFormat colour;
    colour.setForeground(m_color);
    cursor.mergeCharFormat(colour);
    m_document.setTextWidth(width() > 0 ? width() : -1);
    updateGeometry();
    update();
}

int WrappedText::heightForWidth(int width) const
{
    m_document.setTextWidth(width);
    const int height = qCeil(m_document.size().height());
    m_document.setTextWidth(this->width());
    return height;
}

QSize WrappedText::sizeHint() const
{
    const int width = this->width() > 0 ? this->width() : 200;
    return QSize(width, heightForWidth(width));
}

QSize WrappedText::minimumSizeHint() const
{
    return QSize(0, heightForWidth(qMax(1, width())));
}

void WrappedText::resizeEvent(QResizeEvent *)
{
    m_document.setTextWidth(width());
}

void WrappedText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    m_document.drawContents(&painter);
}
