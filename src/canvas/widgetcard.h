#pragma once

#include "cardglass.h"
#include "dashboardwidgetkind.h"
#include "faceservices.h"

#include <QPointer>
#include <QSizeF>
#include <QUuid>
#include <QWidget>
#include <functional>

class Backdrop;
class DashboardStore;
class DragHandle;

// One widget's card: the face for its kind in the common chrome (padding, frosted
// continuous rounded rectangle, hairline) with the drag handle on top. The canvas places
// it; while a drag runs the card is only displaced by `translation()`, and the store
// learns the new place once, when the drag ends.
class WidgetCard : public QWidget
{
    Q_OBJECT

public:
    WidgetCard(DashboardStore &store, QUuid id, DashboardWidgetKind kind,
        std::function<void()> close, FaceServices services, QWidget *parent = nullptr);

    QUuid widgetId() const { return m_id; }
    DashboardWidgetKind kind() const { return m_kind; }
    QWidget *face() const { return m_face; }
    DragHandle *handle() const { return m_handle; }

    void setCanvasSize(QSizeF size) { m_canvasSize = size; }
    // The canvas's backdrop, painted under the card's material.
    void setBackdrop(const Backdrop *backdrop);

    QPointF translation() const { return m_translation; }
    bool isDragging() const { return m_dragging; }

    static constexpr qreal cornerRadius = 25;
    static CardGlass::Look glassLook();

    // The card's material in `area` (its own coordinates) as a paint would draw it, with
    // the painter at the canvas's top-left: a copy of its own that may run on another
    // thread while nothing else paints the canvas.
    std::function<void(QPainter &)> glassPainting(const QRegion &area) const;
    // Paints what the card's children paint in `area` (its own coordinates) into `device`,
    // with the area's top-left at `at`.
    void paintFace(QPaintDevice &device, QPoint at, const QRect &area);

Q_SIGNALS:
    // The drag offset changed; the canvas moves the card and what belongs to it.
    void translationChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void beginDrag();
    void changeDrag(QPointF translation);
    void endDrag(QPointF translation);
    // Where other widgets lie under this card, in its own coordinates.
    QRegion coveredBelow() const;
    static void paintGlass(QPainter &painter, const QRect &bounds, const QRect &area,
        const QRegion &covered, const Backdrop *backdrop, QPoint source);

    DashboardStore &m_store;
    QUuid m_id;
    DashboardWidgetKind m_kind;
    QWidget *m_face;
    DragHandle *m_handle;
    const Backdrop *m_backdrop = nullptr;
    QSizeF m_canvasSize;
    QPointF m_translation;
    QPointF m_dragOrigin;
    bool m_dragging = false;
    bool m_paintingFace = false;
};
