#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

// A one-line label for figures. Digits are monospaced (see DigitText) unless switched
// off, and with a minimum scale below 1 the text shrinks to fit its width down to that
// scale instead of being cut ("one line, minimum scale factor 0.5").
class DigitLabel : public QWidget
{
    Q_OBJECT

public:
    explicit DigitLabel(QWidget *parent = nullptr);
    DigitLabel(
        const QString &text, const QFont &font, const QColor &color, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QFont textFont() const { return m_font; }
    void setTextFont(const QFont &font);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    qreal minimumScale() const { return m_minimumScale; }
    void setMinimumScale(qreal scale);

    // The scale the text is drawn at in the current width.
    qreal currentScale() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal naturalWidth() const;

    QString m_text;
    QFont m_font;
    QColor m_color = Qt::white;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    qreal m_minimumScale = 1.0;
};
