#pragma once

#include <QColor>
#include <QWidget>

// A symbol image drawn in a square of a fixed size and tinted, e.g. a face's header icon.
class SymbolView : public QWidget
{
    Q_OBJECT

public:
    SymbolView(const QString &name, int size, const QColor &color, QWidget *parent = nullptr);

    QString symbol() const { return m_name; }
    void setSymbol(const QString &name);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    int symbolSize() const { return m_size; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    int m_size;
    QColor m_color;
};
