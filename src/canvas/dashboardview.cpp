#include "dashboardview.h"

#include "backdrop.h"
#include "cardglass.h"
#include "dashboardstore.h"
#include "dashboardtoolbar.h"
#include "keptthreads.h"
#include "roundbutton.h"
#include "shadowview.h"
#include "spring.h"
#include "theme.h"
#include "widgetcard.h"
#include "widgetgallery.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QTimer>
#include <QToolTip>
#include <chrono>
#include <system_error>
#include <utility>

namespace {

bool s_animationsEnabled = true;

const ShadowLook cardShadow {WidgetCard::cornerRadius, true, Theme::black(0.32), 22, QPointF(0, 9)};

RoundButton::Look removeButtonLook()
{
    return {
        42, Theme::red(), 0.35, 14, ShadowLook {21, false, Theme::black(0.35), 7, QPointF(0, 3)}};
}

RoundButton::Look galleryButtonLook()
{
    return {52, Theme::accent(), 0.25, 20,
        ShadowLook {26, false, Theme::black(0.35), 14, QPointF(0, 6)}};
}

// Transparent, under the cards, only while the gallery is open: a click on empty canvas
// space closes the gallery.
class TapLayer : public QWidget
{
public:
    TapLayer(DashboardStore &store, QWidget *parent)
        : QWidget(parent)
        , m_store(store)
    {
        setObjectName(QStringLiteral("tapLayer"));
    }

protected:
    void mousePressEvent(QMouseEvent *event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_store.setGalleryOpen(false);
    }

private:
    DashboardStore &m_store;
};

} // namespace

DashboardView::DashboardView(
    DashboardStore &store, std::function<void()> close, FaceServices services, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_close(std::move(close))
    , m_services(services)
    , m_backdrop(std::make_unique<Backdrop>())
    , m_toolbar(new DashboardToolbar(store, m_close, this))
    , m_galleryButton(new RoundButton(galleryButtonLook(), QStringLiteral("plus"), this))
    , m_spring(new SpringAnimation(Spring {0.3, 0.85}, this))
{
    setObjectName(QStringLiteral("dashboardView"));
    setAttribute(Qt::WA_OpaquePaintEvent);

    // Everything inside asks for the dark scheme.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 34));
    dark.setColor(QPalette::WindowText, Theme::primaryText());
    dark.setColor(QPalette::Base, QColor(0, 0, 0, 60));
    dark.setColor(QPalette::AlternateBase, QColor(255, 255, 255, 12));
    dark.setColor(QPalette::Text, Theme::primaryText());
    dark.setColor(QPalette::PlaceholderText, Theme::secondaryText());
    dark.setColor(QPalette::Button, Theme::white(0.13));
    dark.setColor(QPalette::ButtonText, Theme::primaryText());
    dark.setColor(QPalette::Highlight, Theme::accent());
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(40, 40, 46));
    dark.setColor(QPalette::ToolTipText, Theme::primaryText());
    setPalette(dark);
    // Tooltips are top-level windows with a palette of their own.
    QToolTip::setPalette(dark);
    setFont(Theme::textStyle(Theme::TextStyle::body));

    m_galleryButton->setObjectName(QStringLiteral("galleryButton"));
    connect(m_galleryButton, &QAbstractButton::clicked, this,
        [this] { m_store.setGalleryOpen(!m_store.isGalleryOpen()); });

    connect(&m_store, &DashboardStore::widgetsChanged, this, &DashboardView::scheduleReconcile);
    connect(
        &m_store, &DashboardStore::galleryOpenChanged, this, &DashboardView::galleryOpenChanged);
    connect(m_spring, &SpringAnimation::valueChanged, this, &DashboardView::applyGalleryProgress);
    connect(m_spring, &QAbstractAnimation::finished, this, [this] {
        if (!m_store.isGalleryOpen())
            dropGallery();
    });

    reconcile();
    galleryOpenChanged(m_store.isGalleryOpen());
}

DashboardView::~DashboardView()
{
    finishAhead();
}

void DashboardView::setAnimationsEnabled(bool enabled)
{
    s_animationsEnabled = enabled;
}
bool DashboardView::animationsEnabled()
{
    return s_animationsEnabled;
}

void DashboardView::setBackdrop(const QImage &backdrop)
{
    // The picture being composed ahead is that work's to set.
    const bool ahead = m_ahead.valid()
        && m_aheadPicture.wait_for(std::chrono::seconds(0)) == std::future_status::ready
        && m_aheadPicture.get().cacheKey() == backdrop.cacheKey();
    if (!ahead) {
        finishAhead();
        // Pixels composed ahead of another picture are stale.
        m_aheadBits = nullptr;
        m_backdrop->setImage(backdrop);
    }
    update();
}

QImage DashboardView::backdropImage() const
{
    return m_ahead.valid() ? m_aheadPicture.get() : m_backdrop->image();
}

void DashboardView::composeAhead(std::shared_future<QImage> blurred, uchar *bits,
    qsizetype bytesPerLine, QImage::Format format, std::function<void()> prepare)
{
    finishAhead();
    const QSize canvas = size();
    // Each card's shadow and glass go with the backdrop where they lie on nothing that this
    // thread paints; the rest is painted here as it always is. The face of a card composed
    // whole there is painted here as soon as its glass is, while that work goes on around it.
    // Rows are split in bands that are composed at once, each step cut to each band.
    using Step = std::function<void(QPainter &)>;
    std::array<QRect, aheadBands> bands;
    std::array<std::vector<Step>, aheadBands> steps;
    for (size_t b = 0; b < aheadBands; ++b) {
        const int top = int(canvas.height() * qint64(b) / qint64(aheadBands));
        const int bottom = int(canvas.height() * qint64(b + 1) / qint64(aheadBands));
        bands[b] = QRect(0, top, canvas.width(), bottom - top);
    }
    QHash<const QWidget *, const WidgetCard *> cardOfShadow;
    for (const CardParts &parts : std::as_const(m_cards))
        cardOfShadow.insert(parts.shadow, parts.card);
    QHash<const QWidget *, QRegion> left;
    std::vector<FaceAhead> facesToPaint;
    QRegion faceAreas; // of the cards below, which this thread paints meanwhile
    QRegion below;
    qsizetype stacked = 0; // children up to the last card painted ahead
    // Each card that goes ahead, bottom to top.
    struct Ahead
    {
        const ShadowView *shadow;
        const WidgetCard *card;
        QRegion shadowAhead; // canvas coordinates
        QRegion glassAhead;
        QRegion interior; // of the glass ahead: the fill over the backdrop, whatever is below
    };
    std::vector<Ahead> ahead;
    const CardGlass::Look look = WidgetCard::glassLook();
    const QRect canvasRect(QPoint(0, 0), canvas);
    const QObjectList &children = this->children();
    for (qsizetype i = 0; i < children.size(); ++i) {
        const auto *widget = qobject_cast<const QWidget *>(children.at(i));
        if (!widget || widget->isHidden() || widget->isWindow())
            continue;
        const WidgetCard *card = cardOfShadow.value(widget);
        if (!card || i + 1 >= children.size() || children.at(i + 1) != card || card->isHidden()) {
            below += widget->geometry();
            continue;
        }
        ++i;
        const QRect shadowFrame = widget->geometry();
        const QRect cardFrame = card->geometry();
        const QRegion shadowAhead = QRegion(shadowFrame) - below - faceAreas;
        const QRegion glassAhead = QRegion(cardFrame) - below - faceAreas;
        const QRect interior
            = canvasRect.contains(cardFrame) ? CardGlass::interior(cardFrame, look) : QRect();
        ahead.push_back({static_cast<const ShadowView *>(widget), card, shadowAhead, glassAhead,
            glassAhead & interior});
        const QRegion shadowLeft = QRegion(shadowFrame) - shadowAhead;
        left.insert(widget, shadowLeft.translated(-shadowFrame.topLeft()));
        const QRegion glassLeft = QRegion(cardFrame) - glassAhead;
        left.insert(card, glassLeft.translated(-cardFrame.topLeft()));
        stacked = i + 1;
        // What is left of a card for the paint here must not lie over its face.
        const QRect area = card->childrenRect() & card->rect();
        if (!glassLeft.isEmpty() || shadowLeft.intersects(cardFrame) || area.isEmpty()) {
            below += cardFrame;
            continue;
        }
        // After its shadow and glass, two steps for every card.
        facesToPaint.push_back(
            {const_cast<WidgetCard *>(card), cardFrame.topLeft(), area, int(2 * ahead.size())});
        faceAreas += area.translated(cardFrame.topLeft());
    }
    // The glass's interior goes in with the backdrop, row by row while the row is in the
    // cache: nothing below it shows there, so the shadows and glass of the cards below leave
    // it alone, and what lies above is painted over it in its turn.
    std::vector<QRegion> interiorAbove(ahead.size());
    std::array<std::vector<QRect>, aheadBands> interiors;
    QRegion above;
    for (size_t k = ahead.size(); k-- > 0;) {
        interiorAbove[k] = above;
        const QRegion interior = ahead[k].interior - above;
        for (size_t b = 0; b < aheadBands; ++b) {
            for (const QRect &rect : QRegion(interior & bands[b]))
                interiors[b].push_back(rect);
        }
        above += ahead[k].interior;
    }
    for (size_t k = 0; k < ahead.size(); ++k) {
        const Ahead &card = ahead[k];
        const QRect shadowFrame = card.shadow->geometry();
        const QRect cardFrame = card.card->geometry();
        // Its own shadow is cut out under the card, so nothing of it lies in its interior.
        const QRegion shadowAhead = card.shadowAhead - card.interior - interiorAbove[k];
        const QRegion glassAhead = card.glassAhead - card.interior - interiorAbove[k];
        for (size_t b = 0; b < aheadBands; ++b) {
            // Every band has a step for every step of the others, maybe doing nothing.
            Step shadowStep = [](QPainter &) {};
            const QRegion shadowPart = (shadowAhead & bands[b]).translated(-shadowFrame.topLeft());
            if (auto paint = card.shadow->painting(shadowPart); paint && !shadowPart.isEmpty()) {
                shadowStep
                    = [paint = std::move(paint), at = shadowFrame.topLeft()](QPainter &painter) {
                          painter.save();
                          painter.translate(at);
                          paint(painter);
                          painter.restore();
                      };
            }
            steps[b].push_back(std::move(shadowStep));
            steps[b].push_back(
                card.card->glassPainting((glassAhead & bands[b]).translated(-cardFrame.topLeft())));
        }
    }

    // A band's backdrop rows, then its steps, each told as it is done: the faces over them
    // are painted meanwhile.
    const auto compose = [this, bits, bytesPerLine, format, look, width = canvas.width()](
                             const QRect &band, const std::vector<Step> &steps,
                             const std::vector<QRect> &interiors, std::atomic<int> &done) {
        bool composed = false;
        const auto tell = qScopeGuard([&] {
            if (!composed) {
                done.store(-1);
                done.notify_all();
            }
        });
        try {
            int ready = m_aheadReady.load();
            while (ready == 0) {
                m_aheadReady.wait(ready);
                ready = m_aheadReady.load();
            }
            if (ready < 0)
                return false;
            uchar *rows = bits + qsizetype(band.top()) * bytesPerLine;
            std::function<void(int, uchar *)> tint;
            if (!interiors.empty()) {
                tint = [&interiors, &look](int y, uchar *row) {
                    for (const QRect &rect : interiors) {
                        if (rect.top() <= y && y <= rect.bottom())
                            CardGlass::tintInterior(
                                row + qsizetype(rect.left()) * 4, rect.width(), look);
                    }
                };
            }
            m_backdrop->composeRows(rows, bytesPerLine, band.top(), band.height(), tint);
            // Only this band's rows, so that nothing here can reach another's.
            QImage pixels(rows, width, band.height(), bytesPerLine, format);
            QPainter painter(&pixels);
            painter.translate(0, -band.top());
            for (const Step &step : steps) {
                step(painter);
                done.fetch_add(1);
                done.notify_all();
            }
            composed = true;
            return true;
        } catch (...) {
            // No picture: the paint composes what it has.
            return false;
        }
    };
    m_aheadReady.store(0);
    for (std::atomic<int> &done : m_aheadSteps)
        done.store(0);
    try {
        m_ahead = KeptThreads::shared().runWithFuture([=, this, steps = std::move(steps),
                                                          interiors = std::move(interiors)] {
            std::vector<std::future<bool>> others;
            // They use what this holds.
            const auto join = qScopeGuard([&others] {
                for (std::future<bool> &other : others) {
                    if (other.valid())
                        other.wait();
                }
            });
            // The other bands are waited for (above) only once they may go on (here).
            const auto release = qScopeGuard([this] {
                int waiting = 0;
                if (m_aheadReady.compare_exchange_strong(waiting, -1))
                    m_aheadReady.notify_all();
            });
            for (size_t b = 1; b < aheadBands; ++b) {
                try {
                    others.push_back(KeptThreads::shared().runWithFuture([&, b] {
                        return compose(bands[b], steps[b], interiors[b], m_aheadSteps[b]);
                    }));
                } catch (const std::system_error &) {
                    // No thread to be had: composed here after the first band.
                    others.push_back(std::async(std::launch::deferred, compose, std::cref(bands[b]),
                        std::cref(steps[b]), std::cref(interiors[b]), std::ref(m_aheadSteps[b])));
                }
            }
            int ready = -1;
            try {
                if (prepare)
                    prepare();
                m_backdrop->setImage(blurred.get());
                m_backdrop->setSize(canvas, 1.0);
                if (m_backdrop->prepareWhole(canvas))
                    ready = 1;
            } catch (...) {
                // No picture: the paint composes it.
            }
            m_aheadReady.store(ready);
            m_aheadReady.notify_all();
            bool composed = compose(bands[0], steps[0], interiors[0], m_aheadSteps[0]);
            for (std::future<bool> &other : others)
                composed = other.get() && composed;
            return composed;
        });
    } catch (const std::system_error &) {
        // No thread to be had: the paint composes it.
        return;
    }
    m_aheadPicture = std::move(blurred);
    m_aheadBits = bits;
    m_aheadBands = bands;
    m_aheadLeft = std::move(left);
    m_aheadStacked = stacked;
    m_aheadStacking = stacking(stacked);
    m_aheadFaces.clear();
    m_aheadBytesPerLine = bytesPerLine;
    m_aheadFormat = format;
    m_facesToPaint = std::move(facesToPaint);
}

void DashboardView::paintFacesAhead(bool waitForGlass)
{
    std::vector<FaceAhead> faces = std::exchange(m_facesToPaint, {});
    if (!m_ahead.valid() || !m_aheadBits || faces.empty())
        return;
    const QSize canvas = size();
    // Written in place: an image of const bits would copy them at the first paint.
    QImage pixels(const_cast<uchar *>(m_aheadBits), canvas.width(), canvas.height(),
        m_aheadBytesPerLine, m_aheadFormat);
    for (auto face = faces.begin(); face != faces.end(); ++face) {
        // A card hidden or moved since, and every card above it, is left to the paint.
        if (!face->card || face->card->isHidden() || face->card->parentWidget() != this
            || face->card->pos() != face->at)
            return;
        // Only the bands it lies in: the others never touch its pixels.
        const QRect area = face->area.translated(face->at);
        for (size_t b = 0; b < aheadBands; ++b) {
            if (!m_aheadBands[b].intersects(area))
                continue;
            std::atomic<int> &steps = m_aheadSteps[b];
            int done = steps.load();
            if (!waitForGlass && done >= 0 && done < face->after) {
                m_facesToPaint.assign(
                    std::make_move_iterator(face), std::make_move_iterator(faces.end()));
                return;
            }
            while (done >= 0 && done < face->after) {
                steps.wait(done);
                done = steps.load();
            }
            if (done < 0)
                return;
        }
        face->card->paintFace(pixels, area.topLeft(), face->area);
        m_aheadFaces.insert(face->card);
    }
}

void DashboardView::paintKeepingFaces(const std::function<void()> &paint)
{
    m_keepingFaces = true;
    QCoreApplication::instance()->installEventFilter(this);
    const auto done = qScopeGuard([this] {
        QCoreApplication::instance()->removeEventFilter(this);
        m_keepingFaces = false;
        m_facesPaintedAhead.clear();
        for (const QPointer<QWidget> &widget : std::exchange(m_quietBackgrounds, {})) {
            if (widget)
                widget->setAttribute(Qt::WA_NoSystemBackground, false);
        }
    });
    paint();
}

bool DashboardView::eventFilter(QObject *watched, QEvent *event)
{
    // A face composed ahead is in the pixels already: painted again, its translucent parts
    // would darken.
    if (event->type() == QEvent::Paint && !m_facesPaintedAhead.isEmpty()) {
        for (const QObject *parent = watched->parent(); parent && parent != this;
             parent = parent->parent()) {
            if (m_facesPaintedAhead.contains(parent))
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DashboardView::finishAhead()
{
    if (!m_ahead.valid())
        return;
    m_facesToPaint.clear();
    if (!m_ahead.get())
        m_aheadBits = nullptr;
    m_aheadPicture = {};
}

std::optional<QRegion> DashboardView::leftToPaint(const QWidget *widget, const QPainter &painter)
{
    const auto *view = qobject_cast<const DashboardView *>(widget->parentWidget());
    if (!view)
        return std::nullopt;
    const auto it = view->m_paintedAhead.constFind(widget);
    if (it == view->m_paintedAhead.constEnd())
        return std::nullopt;
    QPoint offset;
    const QImage *device = Backdrop::directTarget(painter, &offset);
    if (!device || device->constBits() != view->m_paintedAheadBits)
        return std::nullopt;
    return *it;
}

QByteArray DashboardView::stacking(qsizetype count) const
{
    QByteArray key;
    const auto add = [&key](const auto &value) {
        key.append(reinterpret_cast<const char *>(&value), sizeof(value));
    };
    const QObjectList &children = this->children();
    for (const QObject *child : children.first(qMin(count, children.size()))) {
        const auto *widget = qobject_cast<const QWidget *>(child);
        if (!widget)
            continue;
        add(widget);
        add(widget->isHidden() ? QRect() : widget->geometry());
        if (const auto *shadow = qobject_cast<const ShadowView *>(widget))
            add(shadow->opacity());
    }
    return key;
}

qreal DashboardView::maximumHeight(qreal canvasHeight)
{
    return qMax(qMin(canvasHeight - 90, 560.0), 180.0);
}

QRectF DashboardView::galleryFrame(QSizeF canvas, qreal galleryHeight)
{
    const qreal height = qMin(maximumHeight(canvas.height()), galleryHeight);
    const qreal width = qMin(qMax(canvas.width() - 40, 320.0), 850.0);
    const QPointF centre(canvas.width() * 0.5, canvas.height() - height * 0.5 - 22);
    return QRectF(centre.x() - width / 2, centre.y() - height / 2, width, height);
}

QRectF DashboardView::cardFrame(const DashboardWidget &widget)
{
    return QRectF(QPointF(widget.x, widget.y), WidgetKinds::cardSize(widget.kind));
}

QRectF DashboardView::removeButtonCircle(const QRectF &cardFrame)
{
    const QPointF centre(cardFrame.right() - 13, cardFrame.top() + 13);
    return QRectF(centre.x() - 21, centre.y() - 21, 42, 42);
}

QRectF DashboardView::galleryButtonCircle(QSizeF canvas)
{
    return QRectF(canvas.width() - 22 - 52, canvas.height() - 20 - 52, 52, 52);
}

void DashboardView::setGalleryHeight(qreal height)
{
    m_galleryHeight = height;
    layoutOverlay();
}

WidgetGallery *DashboardView::gallery() const
{
    return m_gallery;
}

WidgetCard *DashboardView::card(const QUuid &id) const
{
    return m_cards.value(id).card;
}

QList<WidgetCard *> DashboardView::cards() const
{
    QList<WidgetCard *> result;
    for (const QUuid &id : m_stackOrder)
        result.append(m_cards.value(id).card);
    return result;
}

RoundButton *DashboardView::removeButton(const QUuid &id) const
{
    return m_cards.value(id).remove;
}

void DashboardView::scheduleReconcile()
{
    // A single store operation may publish more than once (bringToFront removes, then
    // appends): catch up once, after the event that changed it.
    if (m_reconcilePending)
        return;
    m_reconcilePending = true;
    QTimer::singleShot(0, this, &DashboardView::reconcile);
}

void DashboardView::reconcileNow()
{
    reconcile();
}

void DashboardView::reconcile()
{
    m_reconcilePending = false;
    const QList<DashboardWidget> &widgets = m_store.widgets();

    QList<QUuid> order;
    order.reserve(widgets.size());
    for (const DashboardWidget &widget : widgets) {
        if (order.contains(widget.id))
            continue; // only the first record with an id counts
        order.append(widget.id);
        if (!m_cards.contains(widget.id))
            m_cards.insert(widget.id, makeCard(widget));
    }
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        if (order.contains(it.key())) {
            ++it;
            continue;
        }
        // Deferred: the remove button that asked for this may still be on the stack.
        it->card->hide();
        it->shadow->hide();
        it->remove->hide();
        it->card->deleteLater();
        it->shadow->deleteLater();
        it->remove->deleteLater();
        it = m_cards.erase(it);
    }
    for (const QUuid &id : order)
        placeCard(m_cards.value(id));
    if (order != m_stackOrder) {
        m_stackOrder = order;
        restack();
    }
}

DashboardView::CardParts DashboardView::makeCard(const DashboardWidget &widget)
{
    CardParts parts;
    parts.shadow = new ShadowView(cardShadow, this);
    parts.card = new WidgetCard(m_store, widget.id, widget.kind, m_close, m_services, this);
    parts.card->setBackdrop(m_backdrop.get());
    parts.card->setCanvasSize(QSizeF(size()));
    parts.remove = new RoundButton(removeButtonLook(), QStringLiteral("xmark"), this);
    parts.remove->setObjectName(QStringLiteral("removeButton"));
    parts.remove->setAccessibleName(
        QStringLiteral("Remove ") + WidgetKinds::title(widget.kind) + QStringLiteral(" widget"));
    parts.remove->setOpacity(m_galleryProgress);
    parts.remove->setVisible(m_store.isGalleryOpen() || m_galleryProgress > 0);

    const QUuid id = widget.id;
    connect(parts.remove, &QAbstractButton::clicked, this, [this, id] { m_store.remove(id); });
    connect(parts.card, &WidgetCard::translationChanged, this, [this, id] {
        const auto it = m_cards.constFind(id);
        if (it != m_cards.constEnd())
            placeCard(*it);
    });
    parts.shadow->show();
    parts.card->show();
    return parts;
}

void DashboardView::placeCard(const CardParts &parts)
{
    const DashboardWidget *widget = m_store.widget(parts.card->widgetId());
    if (!widget)
        return;
    const QRectF frame = cardFrame(*widget).translated(parts.card->translation());
    const QRect aligned(
        qRound(frame.x()), qRound(frame.y()), qRound(frame.width()), qRound(frame.height()));
    if (parts.card->geometry() == aligned)
        return;
    parts.card->setGeometry(aligned);
    parts.shadow->setShapeGeometry(QRectF(aligned));
    parts.remove->setFrameGeometry(removeButtonCircle(QRectF(aligned)));
}

void DashboardView::restack()
{
    if (m_tapLayer)
        m_tapLayer->raise();
    for (const QUuid &id : std::as_const(m_stackOrder)) {
        const CardParts &parts = m_cards[id];
        parts.shadow->raise();
        parts.card->raise();
        parts.remove->raise();
    }
    m_toolbar->raise();
    m_galleryButton->raise();
    if (m_gallery)
        m_gallery->raise();
}

void DashboardView::galleryOpenChanged(bool open)
{
    m_galleryButton->setSymbol(open ? QStringLiteral("xmark") : QStringLiteral("plus"));
    m_galleryButton->setToolTip(
        open ? QStringLiteral("Close widget gallery") : QStringLiteral("Add widgets"));
    m_galleryButton->setAccessibleName(m_galleryButton->toolTip());

    if (open) {
        if (!m_tapLayer) {
            m_tapLayer = new TapLayer(m_store, this);
            m_tapLayer->setGeometry(rect());
            m_tapLayer->show();
        }
        if (!m_gallery) {
            m_gallery = new WidgetGallery(m_store, this);
            m_gallery->setBackdrop(m_backdrop.get());
            connect(
                m_gallery, &WidgetGallery::heightRequested, this, &DashboardView::setGalleryHeight);
            m_gallery->show();
        }
        for (const CardParts &parts : std::as_const(m_cards))
            parts.remove->show();
        restack();
    } else if (m_tapLayer) {
        // Deferred: the tap layer itself may be handling the click that closed the gallery.
        m_tapLayer->hide();
        m_tapLayer->deleteLater();
        m_tapLayer = nullptr;
    }
    layoutOverlay();
    m_spring->animateTo(open ? 1.0 : 0.0, s_animationsEnabled && isVisible());
}

void DashboardView::applyGalleryProgress(double progress)
{
    m_galleryProgress = progress;
    const double shown = qBound(0.0, progress, 1.0);
    const bool open = m_store.isGalleryOpen();
    for (const CardParts &parts : std::as_const(m_cards)) {
        parts.remove->setOpacity(shown);
        parts.remove->setVisible(open || shown > 0);
    }
    if (m_gallery) {
        // The sheet comes up from below the bottom edge and fades in on the way.
        const bool settled = shown >= 1.0 || !m_spring->state();
        if (settled) {
            m_gallery->setGraphicsEffect(nullptr);
        } else {
            auto *effect = qobject_cast<QGraphicsOpacityEffect *>(m_gallery->graphicsEffect());
            if (!effect) {
                effect = new QGraphicsOpacityEffect(m_gallery);
                m_gallery->setGraphicsEffect(effect);
            }
            effect->setOpacity(shown);
        }
        if (!open && !m_spring->state()) {
            dropGallery();
            return;
        }
        layoutOverlay();
    }
}

void DashboardView::dropGallery()
{
    if (!m_gallery)
        return;
    // Forgotten at once, so opening again right away builds a fresh sheet instead of
    // reusing one that is about to be deleted.
    m_gallery->hide();
    m_gallery->deleteLater();
    m_gallery = nullptr;
}

void DashboardView::layoutOverlay()
{
    const QSizeF canvas(size());
    m_toolbar->setGeometry(0, 0, width(), DashboardToolbar::barHeight);
    m_galleryButton->setFrameGeometry(galleryButtonCircle(canvas));
    if (m_tapLayer)
        m_tapLayer->setGeometry(rect());
    if (m_gallery) {
        const qreal maximum = maximumHeight(canvas.height());
        m_gallery->setCanvasSize(canvas);
        m_gallery->setHeight(m_galleryHeight, maximum);
        QRectF frame = galleryFrame(canvas, m_galleryHeight);
        const qreal hidden = canvas.height() - frame.top();
        frame.translate(0, (1.0 - m_galleryProgress) * hidden);
        m_gallery->setGeometry(frame.toAlignedRect());
    }
}

void DashboardView::resizeEvent(QResizeEvent *)
{
    finishAhead();
    m_backdrop->setSize(size(), devicePixelRatioF());
    for (const CardParts &parts : std::as_const(m_cards))
        parts.card->setCanvasSize(QSizeF(size()));
    layoutOverlay();
}

void DashboardView::mousePressEvent(QMouseEvent *event)
{
    // A press that no child took fell on empty canvas.
    if (m_store.isGalleryOpen() && event->button() == Qt::LeftButton)
        m_store.setGalleryOpen(false);
}

void DashboardView::paintEvent(QPaintEvent *event)
{
    finishAhead();
    m_backdrop->setSize(size(), devicePixelRatioF());
    QPainter painter(this);
    m_paintedAhead.clear();
    // The first paint into the pixels composed ahead finds the backdrop there already, and
    // the cards composed with it, unless one has moved since.
    QHash<const QWidget *, QRegion> left = std::exchange(m_aheadLeft, {});
    QSet<const QObject *> faces = std::exchange(m_aheadFaces, {});
    if (const uchar *ahead = std::exchange(m_aheadBits, nullptr)) {
        QPoint offset;
        const QImage *device = Backdrop::directTarget(painter, &offset);
        if (device && device->constBits() == ahead && offset.isNull()
            && device->devicePixelRatio() == 1.0
            && (left.isEmpty() || stacking(m_aheadStacked) == m_aheadStacking)
            && (faces.isEmpty() || m_keepingFaces)) {
            m_paintedAhead = std::move(left);
            m_paintedAheadBits = ahead;
            m_facesPaintedAhead = std::move(faces);
            // Qt fills these backgrounds itself, without a paint event to hold back.
            for (const QObject *card : std::as_const(m_facesPaintedAhead)) {
                const QList<QWidget *> widgets = card->findChildren<QWidget *>();
                for (QWidget *widget : widgets) {
                    if ((widget->autoFillBackground()
                            || widget->testAttribute(Qt::WA_StyledBackground))
                        && !widget->testAttribute(Qt::WA_NoSystemBackground)) {
                        widget->setAttribute(Qt::WA_NoSystemBackground);
                        m_quietBackgrounds.append(widget);
                    }
                }
            }
            return;
        }
    }
    // Rectangle by rectangle: the backdrop may write straight into the window's pixels, so
    // it must not reach cards outside what is being repainted.
    for (const QRect &area : event->region())
        m_backdrop->paint(painter, area, area.topLeft());
}
