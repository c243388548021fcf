#pragma once

#include <QColor>
#include <QFont>
#include <QTextDocument>
#include <QWidget>

// Wrapping text with extra space between its lines, which QLabel cannot add.
class WrappedText : public QWidget
{
    Q_OBJECT

public:
    WrappedText(
        const QFont &font, const QColor &color, qreal lineSpacing, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void rebuild();

    QString m_text;
    QColor m_color;
    qreal m_lineSpacing;
    mutable QTextDocument m_document;
};
