#include "gallerytile.h"

#include "clampedtext.h"
#include "shapes.h"
#include "symbols.h"
#include "theme.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
constexpr int padding = 12;
constexpr int iconFrame = 46;
constexpr int spacing = 13;
constexpr int titleGap = 3;
constexpr int subtitleLineLimit = 2;

QFont titleFont()
{
    return Theme::textStyle(Theme::TextStyle::headline);
}
QFont subtitleFont()
{
    return Theme::textStyle(Theme::TextStyle::caption);
}
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

QStringList GalleryTile::subtitleLines() const
{
    return ClampedText::lines(
        WidgetKinds::subtitle(m_kind), subtitleFont(), textFrame().width(), subtitleLineLimit);
}

QRectF GalleryTile::textFrame() const
{
    const qreal left = padding + iconFrame + spacing;
    const qreal width = qMax(0.0, this->width() - left - padding);
    const QFontMetricsF title(titleFont());
    const QFontMetricsF subtitle(subtitleFont());
    const auto lines = ClampedText::lines(
        WidgetKinds::subtitle(m_kind), subtitleFont(), width, subtitleLineLimit)
                           .size();
    const qreal height = title.height()
        + (lines > 0 ? titleGap + (lines - 1) * subtitle.lineSpacing() + subtitle.height() : 0);
    return QRectF(left, (this->height() - height) / 2, width, height);
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

    const QRectF frame = textFrame();
    const QFont title = titleFont();
    const QFontMetricsF titleMetrics(title);
    painter.setFont(title);
    painter.setPen(Theme::primaryText());
    painter.drawText(QPointF(frame.left(), frame.top() + titleMetrics.ascent()),
        titleMetrics.elidedText(text(), Qt::ElideRight, frame.width()));

    const QFont subtitle = subtitleFont();
    const QFontMetricsF subtitleMetrics(subtitle);
    painter.setFont(subtitle);
    painter.setPen(Theme::secondaryText());
    qreal baseline = frame.top() + titleMetrics.height() + titleGap + subtitleMetrics.ascent();
    for (const QString &line : subtitleLines()) {
        painter.drawText(QPointF(frame.left(), baseline), line);
        baseline += subtitleMetrics.lineSpacing();
    }
}
