#pragma once

#include "dashboardwidget.h"
#include "defaults.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <functional>
#include <memory>

class ArrangementWriter;

// The arrangement of one display. It is the only owner of the widget list: views
// observe it and every change goes through it. Each change to the list is published
// and then written to the defaults store, once per operation: before the call returns,
// or, once its notes are long, on a writer thread that writes only the newest of the
// changes waiting. Destroying the store waits for that write. A failed write keeps the
// list in memory, is told through saveStatus(), and the next change tries again.
class DashboardStore : public QObject
{
    Q_OBJECT

public:
    static inline const QString legacyKey = QStringLiteral("dashboard.widgets.v1");
    static inline const QString unreadableSuffix = QStringLiteral(".unreadable-");

    static QString keyForDisplay(const QString &displayIdentifier);
    // Where unreadable bytes under `key` are kept: one key per distinct content.
    static QString keptKey(const QString &key, const QByteArray &bytes);

    // Loads the arrangement under `storageKey`; failing that, the legacy one when
    // `migrateLegacy`; failing that, the three default widgets. Saves in every case.
    // Bytes under `storageKey` that do not decode are first moved, never copied, to
    // keptKey() so nothing the user wrote is lost. What cannot be read at all, or kept,
    // is never written over: saves fail, and are retried, until it can be kept.
    DashboardStore(
        Defaults &defaults, QString storageKey, bool migrateLegacy, QObject *parent = nullptr);
    ~DashboardStore() override;

    // Text in the arrangement beyond which it is encoded and written off the main thread,
    // where the defaults allow it: a 256 K note costs a millisecond or two to encode.
    static constexpr qsizetype backgroundSaveSize = 256 * 1024;

    const QList<DashboardWidget> &widgets() const { return m_widgets; }
    void setWidgets(QList<DashboardWidget> widgets);

    // First widget with this id, or null.
    const DashboardWidget *widget(const QUuid &id) const;
    // Changes the first widget with this id in place, then publishes and saves once.
    // Returns false, writing nothing, when no widget has the id.
    bool updateWidget(const QUuid &id, const std::function<void(DashboardWidget &)> &change);

    bool isGalleryOpen() const { return m_galleryOpen; }
    void setGalleryOpen(bool open);

    void save();
    // Whether a change is still waiting for, or being written on, the writer thread.
    bool isSaving() const;
    // Returns once every change is written, and saveStatus() tells how the last one went.
    void waitForSaves();
    // Success while saves succeed; otherwise why the last one failed.
    const DefaultsStatus &saveStatus() const { return m_saveStatus; }

    // Adds a widget centred on the canvas, stepped 24 points per existing card in a
    // cycle of five, clamped inside, on top; closes the gallery; saves once. Returns its id.
    QUuid add(DashboardWidgetKind kind, QSizeF canvas);
    // Moves a card's top-left corner to `to`, clamped 16 points from the sides, 70 from
    // the top and 24 from the bottom. Publishes x and y one after the other, then saves
    // once, so no crash leaves a file with only half of a move.
    void move(const QUuid &id, QPointF to, QSizeF canvas);
    // Where move() would put a card of this kind aimed at `to`.
    static QPointF clampedPosition(DashboardWidgetKind kind, QPointF to, QSizeF canvas);
    // Publishes the removal and the append, then saves once: a crash between two writes
    // would otherwise lose the card.
    void bringToFront(const QUuid &id);
    void remove(const QUuid &id);

Q_SIGNALS:
    void widgetsChanged();
    void galleryOpenChanged(bool open);
    void saveStatusChanged();

private:
    void publishAndSave();
    bool moveWithoutSaving(const QUuid &id, QPointF to, QSizeF canvas);
    bool bringToFrontWithoutSaving(const QUuid &id);
    DefaultsStatus keepWhatIsStored();
    void setSaveStatus(DefaultsStatus status);
    void written(quint64 generation, DefaultsStatus status);
    int indexOf(const QUuid &id) const;

    Defaults &m_defaults;
    QString m_defaultsKey;
    QList<DashboardWidget> m_widgets;
    bool m_galleryOpen = false;
    // Something is stored under the key that this store did not load from it.
    bool m_mustKeepStored = false;
    DefaultsStatus m_saveStatus;
    // Each save's number, and that of the newest whose outcome saveStatus() tells.
    quint64 m_saveGeneration = 0;
    quint64 m_toldGeneration = 0;
    std::unique_ptr<ArrangementWriter> m_writer;
};
