#include "gallerytile.h"

#include "shapes.h"
#include "symbols.h"
#include "theme.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
constexpr int padding = 12;
constexpr int iconFrame = 46;
constexpr int spacing = 13;
} // namespace

GalleryTile::GalleryTile(DashboardWidgetKind kind, QWidget *parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    setObjectName(QStringLiteral("tile_") + WidgetKinds::rawIdentifier(kind));
    setText(WidgetKinds::title(kind));
    setAccessibleName(WidgetKinds::title(kind));
    setAccessibleDescription(WidgetKinds::subtitle(kind));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize GalleryTile::sizeHint() const
{
    return QSize(minimumWidth, minimumHeight);
}
QSize GalleryTile::minimumSizeHint() const
{
    return sizeHint();
}

void GalleryTile::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A plain button only dims while it is held.
    painter.setOpacity(isDown() ? 0.7 : 1.0);
    const QRectF bounds = QRectF(rect());
    painter.fillPath(continuousRoundedRect(bounds, 16), Theme::white(0.08));

    const QRectF icon(padding, (height() - iconFrame) / 2.0, iconFrame, iconFrame);
    painter.fillPath(continuousRoundedRect(icon, 13), Theme::withOpacity(Theme::accent(), 0.24));
    const int glyph = 24;
    painter.drawPixmap(QPointF(icon.center().x() - glyph / 2.0, icon.center().y() - glyph / 2.0),
        Symbols::pixmap(WidgetKinds::symbol(m_kind), glyph, Qt::white, devicePixelRatioF()));

    const qreal textLeft = icon.right() + spacing;
    const qreal textWidth = qMax(0.0, bounds.width() - textLeft - padding);
    const QFont titleFont = Theme::textStyle(Theme::TextStyle::headline);
    const QFont subtitleFont = Theme::textStyle(Theme::TextStyle::caption);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF subtitleMetrics(subtitleFont);
    const QString subtitle = WidgetKinds::subtitle(m_kind);
    const QRectF wrapped
        = subtitleMetrics.boundingRect(QRectF(0, 0, textWidth, 1000), Qt::TextWordWrap, subtitle);
    const qreal subtitleHeight = qMin(wrapped.height(), 2 * subtitleMetrics.lineSpacing());
    const qreal blockHeight = titleMetrics.height() + 3 + subtitleHeight;
    const qreal top = (height() - blockHeight) / 2;

    painter.setFont(titleFont);
    painter.setPen(Theme::primaryText());
    painter.drawText(QRectF(textLeft, top, textWidth, titleMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        titleMetrics.elidedText(text(), Qt::ElideRight, textWidth));
    painter.setFont(subtitleFont);
    painter.setPen(Theme::secondaryText());
    painter.drawText(QRectF(textLeft, top + titleMetrics.height() + 3, textWidth, subtitleHeight),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, subtitle);
}
