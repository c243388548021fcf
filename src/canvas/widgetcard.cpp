#include "widgetcard.h"

#include "backdrop.h"
#include "cardglass.h"
#include "dashboardstore.h"
#include "dashboardview.h"
#include "draghandle.h"
#include "facefactory.h"
#include "shadowview.h"
#include "shapes.h"
#include "theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

WidgetCard::WidgetCard(DashboardStore &store, QUuid id, DashboardWidgetKind kind,
    std::function<void()> close, FaceServices services, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_id(id)
    , m_kind(kind)
    , m_face(createFace(kind, FaceContext {&store, id, std::move(close), services}, this))
    , m_handle(new DragHandle(this))
{
    setObjectName(QStringLiteral("widgetCard"));
    setProperty("widgetId", id);
    m_face->setObjectName(QStringLiteral("face"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 30, 20, 20);
    layout->setSpacing(0);
    layout->addWidget(m_face);

    m_handle->setAccessibleName(
        QStringLiteral("Move ") + WidgetKinds::title(kind) + QStringLiteral(" widget"));
    m_handle->raise();
    connect(m_handle, &DragHandle::dragStarted, this, &WidgetCard::beginDrag);
    connect(m_handle, &DragHandle::dragChanged, this, &WidgetCard::changeDrag);
    connect(m_handle, &DragHandle::dragEnded, this, &WidgetCard::endDrag);
}

void WidgetCard::setBackdrop(const Backdrop *backdrop)
{
    m_backdrop = backdrop;
    update();
}

void WidgetCard::beginDrag()
{
    // The end position is computed from where the card stood before the drag.
    if (const DashboardWidget *widget = m_store.widget(m_id))
        m_dragOrigin = QPointF(widget->x, widget->y);
    m_dragging = true;
    m_store.bringToFront(m_id);
}

void WidgetCard::changeDrag(QPointF translation)
{
    m_translation = translation;
    Q_EMIT translationChanged();
}

void WidgetCard::endDrag(QPointF translation)
{
    m_store.move(m_id, m_dragOrigin + translation, m_canvasSize);
    m_translation = QPointF();
    m_dragging = false;
    Q_EMIT translationChanged();
}

void WidgetCard::mousePressEvent(QMouseEvent *event)
{
    // The card is solid: a click on it never reaches the canvas behind.
    event->accept();
}

void WidgetCard::resizeEvent(QResizeEvent *)
{
    m_handle->move((width() - m_handle->width()) / 2, 0);
}

QRegion WidgetCard::coveredBelow() const
{
    QRegion covered;
    const QWidget *parent = parentWidget();
    if (!parent)
        return covered;
    const QRect frame = geometry();
    const QObjectList &siblings = parent->children();
    const qsizetype mine = siblings.indexOf(this);
    for (qsizetype i = 0; i < mine; ++i) {
        const auto *sibling = qobject_cast<const QWidget *>(siblings.at(i));
        // The card's own shadow, just below it, is cut out under the card.
        if (!sibling || sibling->isHidden() || sibling->isWindow()
            || (i == mine - 1 && qobject_cast<const ShadowView *>(sibling)))
            continue;
        covered += sibling->geometry() & frame;
    }
    return covered.translated(-frame.topLeft());
}

std::function<void(QPainter &)> WidgetCard::glassPainting(const QRegion &area) const
{
    return [area, bounds = rect(), covered = coveredBelow(), backdrop = m_backdrop, at = pos()](
               QPainter &painter) {
        painter.save();
        painter.translate(at);
        for (const QRect &rect : area)
            paintGlass(painter, bounds, rect, covered, backdrop, at);
        painter.restore();
    };
}

void WidgetCard::paintFace(QPaintDevice &device, QPoint at, const QRect &area)
{
    m_paintingFace = true;
    render(&device, at, QRegion(area), QWidget::DrawChildren);
    m_paintingFace = false;
}

void WidgetCard::paintEvent(QPaintEvent *event)
{
    if (m_paintingFace)
        return;
    QPainter painter(this);
    const auto left = DashboardView::leftToPaint(this, painter);
    const QRegion areas = left ? *left & event->rect() : QRegion(event->rect());
    if (areas.isEmpty())
        return;
    const QRegion covered = coveredBelow();
    for (const QRect &area : areas)
        paintGlass(painter, rect(), area, covered, m_backdrop, pos());
}

CardGlass::Look WidgetCard::glassLook()
{
    return {cornerRadius, Theme::white(0.07), Theme::white(0.18)};
}

void WidgetCard::paintGlass(QPainter &painter, const QRect &bounds, const QRect &area,
    const QRegion &covered, const Backdrop *backdrop, QPoint source)
{
    const CardGlass::Look look = glassLook();
    if (backdrop && CardGlass::paint(painter, bounds, area, covered, *backdrop, source, look))
        return;
    // The painter's paths reach the whole card; only `area` is this call's.
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(bounds);
    const QPainterPath shape = continuousRoundedRect(frame, look.cornerRadius);
    if (backdrop)
        backdrop->paint(painter, shape, QPointF(source), QRectF(area));
    painter.fillPath(shape, look.fill);
    painter.setPen(QPen(look.border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(
        continuousRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), look.cornerRadius));
    painter.restore();
}
