#pragma once

#include "faceservices.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QRegion>
#include <QSet>
#include <QUuid>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class Backdrop;
class DashboardStore;
class DashboardToolbar;
class RoundButton;
class ShadowView;
class SpringAnimation;
class WidgetCard;
class WidgetGallery;
struct DashboardWidget;

// The root view of one overlay panel. Back to front: the backdrop with its gradient, the
// tap layer (only while the gallery is open), the cards in list order, the toolbar and
// the floating gallery button, and the gallery sheet.
//
// Cards are kept per widget id for as long as the id is in the store: a store change
// restacks, moves, adds and removes cards, but never rebuilds one, so a face keeps its
// focus and a drag survives the card being brought to the front.
class DashboardView : public QWidget
{
    Q_OBJECT

public:
    DashboardView(DashboardStore &store, std::function<void()> close, FaceServices services,
        QWidget *parent = nullptr);
    ~DashboardView() override;

    // The blurred picture of the desktop under this panel; a null image means the tint.
    void setBackdrop(const QImage &backdrop);
    QImage backdropImage() const;
    // Composes the backdrop of `blurred` straight into the window's pixels (`bits`, rows of
    // the whole canvas at ratio 1) on another thread, while the panel is being mapped, with
    // the shadow and glass of each card that lies on nothing else; the next paint of those
    // pixels keeps them. `prepare` runs first on that thread, e.g. to make the pages.
    // Whatever may touch the backdrop or move the pixels waits for it all first
    // (finishAhead).
    void composeAhead(std::shared_future<QImage> blurred, uchar *bits, qsizetype bytesPerLine,
        QImage::Format format, std::function<void()> prepare = {});
    // Paints the face of each card composed ahead into those pixels as soon as that work
    // has laid its glass, while it goes on with the cards above; only a paint run through
    // paintKeepingFaces keeps them. Unless `waitForGlass`, only those whose glass is laid
    // already, the others left to the next call.
    void paintFacesAhead(bool waitForGlass = true);
    void paintKeepingFaces(const std::function<void()> &paint);
    void finishAhead();
    // Where `widget`, a child of a view, still has to paint (its own coordinates) when the
    // pixels `painter` paints have the rest composed ahead; nothing where it paints all.
    static std::optional<QRegion> leftToPaint(const QWidget *widget, const QPainter &painter);

    // The tallest the gallery may be on a canvas this high: max(min(H - 90, 560), 180).
    static qreal maximumHeight(qreal canvasHeight);
    // The gallery's frame for a canvas and a requested height.
    static QRectF galleryFrame(QSizeF canvas, qreal galleryHeight);
    // A card's frame: its kind's size with the top-left at the stored corner.
    static QRectF cardFrame(const DashboardWidget &widget);
    // The remove button's circle for a card frame: 42 points, centred 13 points in from the
    // top-right corner, so it overhangs the corner by 8 points.
    static QRectF removeButtonCircle(const QRectF &cardFrame);
    // The floating button's circle: 52 points, 22 from the right and 20 from the bottom.
    static QRectF galleryButtonCircle(QSizeF canvas);

    qreal galleryHeight() const { return m_galleryHeight; }
    void setGalleryHeight(qreal height);

    WidgetCard *card(const QUuid &id) const;
    // Cards bottom to top.
    QList<WidgetCard *> cards() const;
    RoundButton *removeButton(const QUuid &id) const;
    WidgetGallery *gallery() const;
    QWidget *tapLayer() const { return m_tapLayer; }
    RoundButton *galleryButton() const { return m_galleryButton; }
    DashboardToolbar *toolbar() const { return m_toolbar; }

    // Brings the cards in line with the store now instead of after the current event.
    void reconcileNow();

    // Off in tests and when rendering to files: changes then apply at once.
    static void setAnimationsEnabled(bool enabled);
    static bool animationsEnabled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct CardParts
    {
        WidgetCard *card = nullptr;
        ShadowView *shadow = nullptr;
        RoundButton *remove = nullptr;
    };

    void scheduleReconcile();
    void reconcile();
    CardParts makeCard(const DashboardWidget &widget);
    void placeCard(const CardParts &parts);
    void restack();
    void galleryOpenChanged(bool open);
    void applyGalleryProgress(double progress);
    void layoutOverlay();
    void dropGallery();
    // The stacking, places and visibility of the first `count` children, and the shadows'
    // opacity: what the cards painted ahead depend on.
    QByteArray stacking(qsizetype count) const;

    DashboardStore &m_store;
    std::function<void()> m_close;
    FaceServices m_services;
    std::unique_ptr<Backdrop> m_backdrop;
    std::future<bool> m_ahead;
    std::shared_future<QImage> m_aheadPicture;
    const uchar *m_aheadBits = nullptr; // where the backdrop lies composed, until painted over
    QHash<const QWidget *, QRegion> m_aheadLeft; // what shadows and cards composed with it leave
    QByteArray m_aheadStacking;
    qsizetype m_aheadStacked = 0;
    struct FaceAhead
    {
        QPointer<WidgetCard> card;
        QPoint at; // where the card was
        QRect area; // the card's own coordinates
        int after = 0; // the steps of the work composing ahead that lie under it
    };
    std::vector<FaceAhead> m_facesToPaint;
    // That work runs in two bands of rows at once, each on a thread of its own, once the
    // backdrop is ready for them (m_aheadReady, negative when it cannot be). The steps done
    // in each, negative once it gave up.
    static constexpr size_t aheadBands = 2;
    std::atomic<int> m_aheadReady {0};
    std::array<std::atomic<int>, aheadBands> m_aheadSteps {};
    std::array<QRect, aheadBands> m_aheadBands;
    qsizetype m_aheadBytesPerLine = 0;
    QImage::Format m_aheadFormat = QImage::Format_Invalid;
    QSet<const QObject *> m_aheadFaces; // cards whose faces are in the pixels
    QSet<const QObject *> m_facesPaintedAhead; // the same for the paint running now
    bool m_keepingFaces = false;
    QList<QPointer<QWidget>> m_quietBackgrounds; // held back while that paint runs
    QHash<const QWidget *, QRegion> m_paintedAhead; // the same for the paint running now
    const uchar *m_paintedAheadBits = nullptr;
    qreal m_galleryHeight = 500;

    QHash<QUuid, CardParts> m_cards;
    QList<QUuid> m_stackOrder;
    bool m_reconcilePending = false;

    QPointer<QWidget> m_tapLayer;
    QPointer<WidgetGallery> m_gallery;
    DashboardToolbar *m_toolbar;
    RoundButton *m_galleryButton;
    SpringAnimation *m_spring;
    double m_galleryProgress = 0;
};
