#pragma once

#include "shapes.h"

#include <QWidget>

// The drop shadow of one card, a sibling just below it. It never takes a click, so the
// soft edge around a card does not hide what lies under it.
class ShadowView : public QWidget
{
    Q_OBJECT

public:
    ShadowView(const ShadowLook &look, QWidget *parent = nullptr);

    // Covers the shadow of a shape with the frame `shape` in parent coordinates.
    void setShapeGeometry(const QRectF &shape);
    void setOpacity(qreal opacity);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ShadowLook m_look;
    QSizeF m_shapeSize;
    qreal m_opacity = 1.0;
};
