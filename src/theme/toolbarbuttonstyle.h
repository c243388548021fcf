#pragma once

#include <QAbstractButton>
#include <QColor>

// The capsule button of the toolbar, the gallery and several faces: 13 pt semibold white
// label, padded 12 by 8, on the accent colour (prominent) or translucent white (plain).
// The fill is the only pressed effect.
class ToolbarButtonStyle : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ToolbarButtonStyle(
        const QString &text, bool prominent = false, QWidget *parent = nullptr);

    bool isProminent() const { return m_prominent; }

    // Shows a symbol instead of the text, in a square frame of `frame` points.
    void setSymbol(const QString &name, int frame);
    QString symbol() const { return m_symbol; }

    // The capsule fill for a state: accent 0.85 / 0.55 when prominent, else white 0.13 / 0.08.
    static QColor fill(bool prominent, bool pressed);
    QColor currentFill() const { return fill(m_prominent, isDown()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr int horizontalPadding = 12;
    static constexpr int verticalPadding = 8;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_prominent;
    QString m_symbol;
    int m_symbolFrame = 0;
};
