#pragma once

#include "facewidget.h"
#include "notetext.h"

#include <QUuid>
#include <deque>
#include <thread>

class DashboardStore;
class QPlainTextEdit;
class QTimer;

// The notes face: a plain-text editor whose every change (keystroke, paste, deletion)
// is written to the widget record exactly as typed or pasted. A short note is saved
// before the handler returns; a long one when typing pauses, and at the latest when the
// face goes away, so that saving the whole store never stalls each keystroke.
class NotesWidget : public FaceWidget
{
    Q_OBJECT

public:
    // Notes longer than this are saved when typing pauses for `saveDelay`.
    static constexpr qsizetype immediateSaveLimit = 256 * 1024;
    static constexpr int saveDelayMs = 400;
    // A long note reaches the editor in slices of this many characters, one per turn of
    // the event loop, so the overlay answers while it loads.
    static constexpr qsizetype loadSlice = 64 * 1024;

    NotesWidget(DashboardStore *store, const QUuid &id, QWidget *parent = nullptr);
    ~NotesWidget() override;

    QPlainTextEdit *editor() const { return m_editor; }
    // Whether the whole note is in the editor yet.
    bool isLoaded() const { return m_source.isNull(); }
    // Writes an edit still waiting for a pause.
    void flush();

private:
    void save(bool prepareCopy);
    void prepareCopy(QString previous);
    void refresh();
    void load(const QString &note);
    void loadNextSlice();
    void edited(int position, int removed, int added);
    void paste(const QString &exact);
    QString copy(int position, int length) const;
    void remember(QString display, QString exact);

    DashboardStore *m_store;
    QUuid m_id;
    QPlainTextEdit *m_editor;
    QTimer *m_saveTimer;
    QTimer *m_loadTimer;
    NoteText m_note;
    // The note as last written to or read from the store.
    QString m_saved;
    // What is still to be loaded, from m_loadedUpTo on.
    QString m_source;
    qsizetype m_loadedUpTo = 0;
    // What the user is pasting, so that its line ends and separators are kept.
    std::optional<QString> m_pasting;
    // Recent pastes and removals with line breaks, for undo and redo to restore exactly.
    static constexpr std::size_t recentCount = 16;
    static constexpr qsizetype recentLimit = 1024 * 1024;
    std::deque<std::pair<QString, QString>> m_recent;
    bool m_loading = false;
    bool m_unsaved = false;
    // Once a long note is saved, the editor and the store share it, and the next keystroke
    // would copy it on the main thread (40 ms for 50 MiB). This thread makes that copy
    // beforehand, and lets the replaced note go, off the main thread.
    std::thread m_copier;
    bool m_copying = false;
};
