#pragma once

#include "shapes.h"

#include <QWidget>
#include <functional>

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
    qreal opacity() const { return m_opacity; }
    // What a paint draws in `area` (its own coordinates; all of it when empty), with the
    // painter at its top-left, as a copy of its own that may run on another thread; empty
    // where nothing shows.
    std::function<void(QPainter &)> painting(const QRegion &area = {}) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ShadowLook m_look;
    QSizeF m_shapeSize;
    qreal m_opacity = 1.0;
};
