#pragma once

#include "shapes.h"

#include <QAbstractButton>
#include <QColor>
#include <QPointer>

class ShadowView;

// A round symbol button with a hairline ring and a soft shadow: the canvas's floating
// gallery button and the cards' remove buttons. The widget is masked to its circle and
// its shadow is a sibling that never takes a click, so a click beside the circle reaches
// whatever lies under it.
class RoundButton : public QAbstractButton
{
    Q_OBJECT

public:
    struct Look
    {
        int diameter;
        QColor fill;
        qreal ringOpacity;
        int symbolSize;
        ShadowLook shadow;
    };

    RoundButton(const Look &look, const QString &symbol, QWidget *parent = nullptr);
    ~RoundButton() override;

    void setSymbol(const QString &symbol);
    QString symbol() const { return m_symbol; }
    // Drawn at this opacity; a fully transparent button takes no clicks.
    void setOpacity(qreal opacity);
    qreal opacity() const { return m_opacity; }

    // Places the widget so that the circle's square frame is `frame` in parent coordinates.
    void setFrameGeometry(const QRectF &frame);
    // The circle's square frame in this widget's coordinates.
    QRectF circleFrame() const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    void placeShadow();

    Look m_look;
    QPointer<ShadowView> m_shadow;
    QString m_symbol;
    qreal m_opacity = 1.0;
};
