#include "dashboardstore.h"

#include "arrangementwriter.h"
#include "defaults.h"
#include "widgetjson.h"

#include <QCoreApplication>
#include <QCryptographicHash>
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

qsizetype textSize(const QList<DashboardWidget> &widgets)
{
    qsizetype size = 0;
    for (const DashboardWidget &widget : widgets)
        size += widget.note.size() + widget.countdownTitle.size();
    return size;
}

} // namespace

QString DashboardStore::keyForDisplay(const QString &displayIdentifier)
{
    return QStringLiteral("dashboard.widgets.display.") + displayIdentifier + QStringLiteral(".v1");
}

QString DashboardStore::keptKey(const QString &key, const QByteArray &bytes)
{
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return key + unreadableSuffix + QString::fromLatin1(digest.left(8).toHex());
}

DashboardStore::DashboardStore(
    Defaults &defaults, QString storageKey, bool migrateLegacy, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_defaultsKey(std::move(storageKey))
{
    const DefaultsValue own = m_defaults.load(m_defaultsKey);
    auto arrangement = loadWithoutRetired(own.bytes);
    // Whatever is there and not shown must be kept before the first write over it.
    m_mustKeepStored = !arrangement && (own.bytes || !own.status);
    if (!arrangement && migrateLegacy)
        arrangement = loadWithoutRetired(m_defaults.read(legacyKey));
    if (!arrangement)
        arrangement = defaultArrangement();
    m_widgets = std::move(*arrangement);
    save();
}

DashboardStore::~DashboardStore()
{
    // Joins the writer once the newest change is on disk: the last keystroke survives quit.
    m_writer.reset();
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
    const quint64 generation = ++m_saveGeneration;
    const bool large = m_defaults.writesOnAnyThread() && textSize(m_widgets) > backgroundSaveSize;
    // While the writer is busy, later changes queue behind it so none overtakes another.
    if (large || isSaving()) {
        if (m_mustKeepStored) {
            if (DefaultsStatus kept = keepWhatIsStored(); !kept) {
                written(generation, std::move(kept));
                return;
            }
        }
        if (!m_writer) {
            m_writer = std::make_unique<ArrangementWriter>(m_defaults, m_defaultsKey,
                [this](quint64 generation, const DefaultsStatus &status) {
                    QMetaObject::invokeMethod(
                        this, [this, generation, status] { written(generation, status); },
                        Qt::QueuedConnection);
                });
        }
        m_writer->submit(m_widgets, generation);
        return;
    }
    const auto bytes = WidgetJson::encodeArrangement(m_widgets);
    if (!bytes)
        return;
    DefaultsStatus status = m_mustKeepStored ? keepWhatIsStored() : DefaultsStatus::ok();
    if (status)
        status = m_defaults.write(m_defaultsKey, *bytes);
    written(generation, std::move(status));
}

bool DashboardStore::isSaving() const
{
    return m_writer && !m_writer->isIdle();
}

void DashboardStore::waitForSaves()
{
    if (!m_writer)
        return;
    m_writer->wait();
    // The outcomes are on their way through the event loop; take them now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void DashboardStore::written(quint64 generation, DefaultsStatus status)
{
    // An outcome that arrives after a newer one's is stale.
    if (generation < m_toldGeneration)
        return;
    m_toldGeneration = generation;
    setSaveStatus(std::move(status));
}

DefaultsStatus DashboardStore::keepWhatIsStored()
{
    const DefaultsValue stored = m_defaults.load(m_defaultsKey);
    if (!stored.status) {
        return DefaultsStatus::failed(stored.status.path,
            QStringLiteral("the saved arrangement can't be read (%1)").arg(stored.status.reason));
    }
    if (stored.bytes) {
        // Moved, not copied: keeping it needs no free space and never half happens.
        const QString kept = keptKey(m_defaultsKey, *stored.bytes);
        const DefaultsStatus moved = m_defaults.rename(m_defaultsKey, kept);
        // An earlier start kept the same bytes already; this copy may be written over.
        if (!moved && m_defaults.read(kept) != stored.bytes) {
            return DefaultsStatus::failed(moved.path,
                QStringLiteral("the unreadable arrangement can't be kept aside (%1)")
                    .arg(moved.reason));
        }
        if (moved)
            qWarning("corvina: kept an unreadable arrangement under the key %s", qPrintable(kept));
    }
    m_mustKeepStored = false;
    return DefaultsStatus::ok();
}

void DashboardStore::setSaveStatus(DefaultsStatus status)
{
    if (status.path == m_saveStatus.path && status.reason == m_saveStatus.reason)
        return;
    if (!status) {
        qWarning("corvina: changes can't be saved to %s: %s", qPrintable(status.path),
            qPrintable(status.reason));
    } else {
        qInfo("corvina: changes are saved again");
    }
    m_saveStatus = std::move(status);
    Q_EMIT saveStatusChanged();
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
    Q_EMIT widgetsChanged();
    moveWithoutSaving(id, {x, y}, canvas);
    bringToFrontWithoutSaving(id);
    save();
    setGalleryOpen(false);
    return id;
}

void DashboardStore::move(const QUuid &id, QPointF to, QSizeF canvas)
{
    if (moveWithoutSaving(id, to, canvas))
        save();
}

bool DashboardStore::moveWithoutSaving(const QUuid &id, QPointF to, QSizeF canvas)
{
    const int i = indexOf(id);
    if (i < 0)
        return false;
    const QPointF clamped = clampedPosition(m_widgets[i].kind, to, canvas);
    m_widgets[i].x = clamped.x();
    Q_EMIT widgetsChanged();
    m_widgets[i].y = clamped.y();
    Q_EMIT widgetsChanged();
    return true;
}

QPointF DashboardStore::clampedPosition(DashboardWidgetKind kind, QPointF to, QSizeF canvas)
{
    const QSizeF card = WidgetKinds::cardSize(kind);
    return {std::min(std::max(canvas.width() - card.width() - 16.0, 16.0), std::max(to.x(), 16.0)),
        std::min(std::max(canvas.height() - card.height() - 24.0, 70.0), std::max(to.y(), 70.0))};
}

void DashboardStore::bringToFront(const QUuid &id)
{
    if (bringToFrontWithoutSaving(id))
        save();
}

bool DashboardStore::bringToFrontWithoutSaving(const QUuid &id)
{
    const int i = indexOf(id);
    if (i < 0 || i == m_widgets.size() - 1)
        return false;
    DashboardWidget widget = m_widgets.takeAt(i);
    Q_EMIT widgetsChanged();
    m_widgets.append(std::move(widget));
    Q_EMIT widgetsChanged();
    return true;
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
