#include "dashboardstore.h"

#include "defaults.h"
#include "widgetjson.h"

#include <QDateTime>
#include <algorithm>

namespace {

std::optional<QList<DashboardWidget>> loadWithoutRetired(const std::optional<QByteArray> &bytes)
{
    if (!bytes)
        return std::nullopt;
    auto widgets = WidgetJson::decodeArrangement(*bytes);
    if (widgets) {
        widgets->removeIf(
            [](const DashboardWidget &w) { return w.kind == DashboardWidgetKind::pomodoro; });
    }
    return widgets;
}

QList<DashboardWidget> defaultArrangement()
{
    return {
        DashboardWidget::make(DashboardWidgetKind::clock, 80, 90),
        DashboardWidget::make(DashboardWidgetKind::calendar, 430, 90),
        DashboardWidget::make(DashboardWidgetKind::notes, 830, 90),
    };
}

} // namespace

QString DashboardStore::keyForDisplay(const QString &displayIdentifier)
{
    return QStringLiteral("dashboard.widgets.display.") + displayIdentifier + QStringLiteral(".v1");
}

DashboardStore::DashboardStore(
    Defaults &defaults, QString storageKey, bool migrateLegacy, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_defaultsKey(std::move(storageKey))
{
    const std::optional<QByteArray> own = m_defaults.read(m_defaultsKey);
    auto arrangement = loadWithoutRetired(own);
    if (!arrangement && own) {
        // Undecodable bytes would be overwritten below; keep them where a user can
        // still recover a note by hand.
        const QString stamp
            = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz'Z'"));
        (void)m_defaults.write(m_defaultsKey + unreadableSuffix + stamp, *own);
    }
    if (!arrangement && migrateLegacy)
        arrangement = loadWithoutRetired(m_defaults.read(legacyKey));
    if (!arrangement)
        arrangement = defaultArrangement();
    m_widgets = std::move(*arrangement);
    save();
}

void DashboardStore::setWidgets(QList<DashboardWidget> widgets)
{
    m_widgets = std::move(widgets);
    publishAndSave();
}

const DashboardWidget *DashboardStore::widget(const QUuid &id) const
{
    const int i = indexOf(id);
    return i < 0 ? nullptr : &m_widgets[i];
}

bool DashboardStore::updateWidget(
    const QUuid &id, const std::function<void(DashboardWidget &)> &change)
{
    const int i = indexOf(id);
    if (i < 0)
        return false;
    change(m_widgets[i]);
    publishAndSave();
    return true;
}

void DashboardStore::setGalleryOpen(bool open)
{
    if (m_galleryOpen == open)
        return;
    m_galleryOpen = open;
    Q_EMIT galleryOpenChanged(open);
}

void DashboardStore::save()
{
    const auto bytes = WidgetJson::encodeArrangement(m_widgets);
    if (!bytes)
        return;
    // A failed write keeps the previous value on disk; there is no one to tell.
    (void)m_defaults.write(m_defaultsKey, *bytes);
}

QUuid DashboardStore::add(DashboardWidgetKind kind, QSizeF canvas)
{
    const QSizeF card = WidgetKinds::cardSize(kind);
    const double offset = static_cast<double>(m_widgets.size() % 5) * 24.0;
    const double x = std::max((canvas.width() - card.width()) * 0.5 + offset, 24.0);
    const double y = std::max((canvas.height() - card.height()) * 0.5 + offset, 76.0);

    DashboardWidget widget = DashboardWidget::make(kind, x, y);
    const QUuid id = widget.id;
    m_widgets.append(std::move(widget));
    publishAndSave();
    move(id, {x, y}, canvas);
    bringToFront(id);
    setGalleryOpen(false);
    return id;
}

void DashboardStore::move(const QUuid &id, QPointF to, QSizeF canvas)
{
    const int i = indexOf(id);
    if (i < 0)
        return;
    const QPointF clamped = clampedPosition(m_widgets[i].kind, to, canvas);
    m_widgets[i].x = clamped.x();
    publishAndSave();
    m_widgets[i].y = clamped.y();
    publishAndSave();
}

QPointF DashboardStore::clampedPosition(DashboardWidgetKind kind, QPointF to, QSizeF canvas)
{
    const QSizeF card = WidgetKinds::cardSize(kind);
    return {std::min(std::max(canvas.width() - card.width() - 16.0, 16.0), std::max(to.x(), 16.0)),
        std::min(std::max(canvas.height() - card.height() - 24.0, 70.0), std::max(to.y(), 70.0))};
}

void DashboardStore::bringToFront(const QUuid &id)
{
    const int i = indexOf(id);
    if (i < 0 || i == m_widgets.size() - 1)
        return;
    DashboardWidget widget = m_widgets.takeAt(i);
    publishAndSave();
    m_widgets.append(std::move(widget));
    publishAndSave();
}

void DashboardStore::remove(const QUuid &id)
{
    m_widgets.removeIf([&id](const DashboardWidget &w) { return w.id == id; });
    publishAndSave();
}

void DashboardStore::publishAndSave()
{
    Q_EMIT widgetsChanged();
    save();
}

int DashboardStore::indexOf(const QUuid &id) const
{
    const auto it = std::find_if(m_widgets.cbegin(), m_widgets.cend(),
        [&id](const DashboardWidget &w) { return w.id == id; });
    return it == m_widgets.cend() ? -1 : static_cast<int>(it - m_widgets.cbegin());
}
