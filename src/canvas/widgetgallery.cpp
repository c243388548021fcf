#include "widgetgallery.h"

#include "backdrop.h"
#include "dashboardstore.h"
#include "faceconventions.h"
#include "gallerytile.h"
#include "shapes.h"
#include "theme.h"
#include "toolbarbuttonstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtMath>

namespace {

// The grip at the top of the sheet; the whole full-width strip takes the drag.
class ResizeHandle : public QWidget
{
public:
    explicit ResizeHandle(WidgetGallery *gallery)
        : QWidget(gallery)
        , m_gallery(gallery)
    {
        setObjectName(QStringLiteral("resizeHandle"));
        setMinimumHeight(22);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setCursor(Qt::SizeVerCursor);
        setToolTip(QStringLiteral("Drag to resize the widget gallery"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::white(0.42));
        const QRectF capsule((width() - 52) / 2.0, (height() - 6) / 2.0, 52, 6);
        painter.drawRoundedRect(capsule, 3, 3);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return event->ignore();
        m_pressY = event->globalPosition().y();
        m_pressed = true;
        m_moved = false;
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!m_pressed)
            return;
        const qreal translation = event->globalPosition().y() - m_pressY;
        if (!m_moved && qAbs(translation) < 1)
            return;
        m_moved = true;
        m_gallery->resizeChanged(translation);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (!m_pressed || event->button() != Qt::LeftButton)
            return;
        m_pressed = false;
        if (m_moved)
            m_gallery->resizeEnded();
    }

private:
    WidgetGallery *m_gallery;
    qreal m_pressY = 0;
    bool m_pressed = false;
    bool m_moved = false;
};

// Tiles in as many columns of at least 180 points as fit, 12 points apart both ways.
class TileGrid : public QWidget
{
public:
    static constexpr int gap = 12;

    explicit TileGrid(QWidget *parent)
        : QWidget(parent)
    {
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true); // what the scroll area looks at
        setSizePolicy(policy);
    }

    void addTile(GalleryTile *tile) { m_tiles.append(tile); }

    static int columnsFor(int width)
    {
        return qMax(1, (width + gap) / (GalleryTile::minimumWidth + gap));
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        const int columns = columnsFor(width);
        const int rows = (int(m_tiles.size()) + columns - 1) / columns;
        return rows * GalleryTile::minimumHeight + qMax(0, rows - 1) * gap;
    }
    QSize sizeHint() const override
    {
        return QSize(GalleryTile::minimumWidth, heightForWidth(GalleryTile::minimumWidth));
    }
    QSize minimumSizeHint() const override
    {
        return QSize(GalleryTile::minimumWidth, GalleryTile::minimumHeight);
    }

protected:
    void resizeEvent(QResizeEvent *) override
    {
        const int columns = columnsFor(width());
        const qreal columnWidth = (width() - gap * (columns - 1)) / qreal(columns);
        for (int i = 0; i < m_tiles.size(); ++i) {
            const int row = i / columns;
            const int column = i % columns;
            const int left = qRound(column * (columnWidth + gap));
            const int right = qRound(column * (columnWidth + gap) + columnWidth);
            m_tiles[i]->setGeometry(left, row * (GalleryTile::minimumHeight + gap), right - left,
                GalleryTile::minimumHeight);
        }
    }

private:
    QList<GalleryTile *> m_tiles;
};

const char *scrollBarStyle = R"(
QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }
QScrollBar::handle:vertical { background: rgba(255,255,255,0.28); border-radius: 3px;
                              min-height: 32px; margin: 2px 2px 2px 2px; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }
)";

} // namespace

WidgetGallery::WidgetGallery(DashboardStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_stack(new QVBoxLayout(this))
    , m_handle(new ResizeHandle(this))
    , m_header(new QWidget(this))
    , m_title(nullptr)
    , m_subtitle(nullptr)
    , m_scroll(new QScrollArea(this))
    , m_done(new ToolbarButtonStyle(QStringLiteral("Done"), false, m_header))
{
    setObjectName(QStringLiteral("widgetGallery"));
    m_stack->setSpacing(10);
    m_stack->addWidget(m_handle);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    QFont titleFont = Theme::textStyle(Theme::TextStyle::title2);
    titleFont.setWeight(QFont::Bold);
    m_title
        = Face::label(QStringLiteral("Widget Gallery"), titleFont, Theme::primaryText(), m_header);
    m_subtitle
        = Face::label(QStringLiteral("Choose a widget. Move it using the handle at its top."),
            Theme::textStyle(Theme::TextStyle::subheadline), Theme::secondaryText(), m_header);
    m_subtitle->setObjectName(QStringLiteral("gallerySubtitle"));
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    auto *headerRow = new QHBoxLayout(m_header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->addLayout(titles);
    headerRow->addStretch(1);
    headerRow->addWidget(m_done, 0, Qt::AlignVCenter);
    m_done->setObjectName(QStringLiteral("doneButton"));
    connect(m_done, &QAbstractButton::clicked, this, [this] { m_store.setGalleryOpen(false); });
    m_header->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_stack->addWidget(m_header);

    auto *grid = new TileGrid(m_scroll);
    for (DashboardWidgetKind kind : WidgetKinds::galleryCases()) {
        auto *tile = new GalleryTile(kind, grid);
        grid->addTile(tile);
        m_tiles.append(tile);
        connect(tile, &QAbstractButton::clicked, this,
            [this, kind] { m_store.add(kind, m_canvasSize); });
    }
    m_scroll->setObjectName(QStringLiteral("tileScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->verticalScrollBar()->setStyleSheet(QString::fromLatin1(scrollBarStyle));
    m_scroll->setAttribute(Qt::WA_TranslucentBackground);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setWidget(grid);
    grid->setAutoFillBackground(false); // setWidget() turns it on
    m_stack->addWidget(m_scroll, 1);

    updateExpanded();
}

void WidgetGallery::setBackdrop(const Backdrop *backdrop)
{
    m_backdrop = backdrop;
    update();
}

void WidgetGallery::setHeight(qreal height, qreal maximumHeight)
{
    m_height = height;
    m_maximumHeight = maximumHeight;
    updateExpanded();
}

void WidgetGallery::resizeChanged(qreal translation)
{
    if (!m_dragStartHeight)
        m_dragStartHeight = m_height;
    const qreal start = *m_dragStartHeight;
    Q_EMIT heightRequested(qMin(qMax(start - translation, collapsedHeight), m_maximumHeight));
}

void WidgetGallery::resizeEnded()
{
    if (m_height < expandedThreshold)
        Q_EMIT heightRequested(collapsedHeight);
    m_dragStartHeight.reset();
}

QWidget *WidgetGallery::tileArea() const
{
    return m_scroll;
}

void WidgetGallery::updateExpanded()
{
    const bool expanded = isExpanded();
    constexpr int top = 8;
    const int bottom = expanded ? 20 : 4;
    m_stack->setContentsMargins(20, top, 20, bottom);
    if (!expanded) {
        m_header->setVisible(false);
        m_scroll->setVisible(false);
        return;
    }
    // Between the collapsed and the full heights, what does not fit goes, in this order:
    // the subtitle, then the tiles. The header never gets squeezed over itself.
    const int spacing = m_stack->spacing();
    const int shown = int(qMin(m_height, m_maximumHeight));
    const int fixed = top + m_handle->minimumHeight() + spacing + bottom;
    const int doneHeight = m_done->sizeHint().height();
    const int titleHeight = m_title->sizeHint().height();
    const int fullHeader = qMax(doneHeight, titleHeight + 3 + m_subtitle->sizeHint().height());
    const int shortHeader = qMax(doneHeight, titleHeight);
    const int withTiles = spacing + minimumTileArea;
    const bool subtitle = fixed + fullHeader + withTiles <= shown;
    const bool tiles = fixed + (subtitle ? fullHeader : shortHeader) + withTiles <= shown;
    m_subtitle->setVisible(subtitle);
    m_header->setVisible(true);
    m_scroll->setVisible(tiles);
    // Without the tiles the header sits under the handle, not in the middle.
    m_stack->setAlignment(tiles ? Qt::Alignment() : Qt::AlignTop);
}

void WidgetGallery::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void WidgetGallery::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());

    // Only the shadow's corners fall inside the sheet's own rectangle.
    const ShadowLook look {cornerRadius, true, Theme::black(0.4), 36, QPointF(0, 12)};
    painter.save();
    painter.setClipRect(rect());
    paintShadow(painter, QPointF(0, 0), bounds.size(), look);
    painter.restore();

    const QPainterPath shape = continuousRoundedRect(bounds, cornerRadius);
    if (m_backdrop)
        m_backdrop->paint(painter, shape, QPointF(pos()), QRectF(event->rect()));
    painter.fillPath(shape, Theme::white(0.07));
    painter.setPen(QPen(Theme::white(0.16), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(continuousRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius));
}
