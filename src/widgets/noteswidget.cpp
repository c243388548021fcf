#include "noteswidget.h"

#include "dashboardstore.h"
#include "facebindings.h"
#include "faceconventions.h"
#include "fieldstyle.h"
#include "theme.h"

#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

namespace {

constexpr int kInnerPadding = 8;

// A plain-text editor that hands pastes and copies to the face, which knows the exact
// text behind the display.
class NoteEditor : public QPlainTextEdit
{
public:
    std::function<void(const QString &)> pasted;
    std::function<QString(int, int)> copied;

protected:
    void insertFromMimeData(const QMimeData *source) override
    {
        if (source && source->hasText() && pasted)
            pasted(source->text());
        else
            QPlainTextEdit::insertFromMimeData(source);
    }

    QMimeData *createMimeDataFromSelection() const override
    {
        const QTextCursor cursor = textCursor();
        if (!copied || !cursor.hasSelection())
            return QPlainTextEdit::createMimeDataFromSelection();
        auto *data = new QMimeData;
        data->setText(
            copied(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()));
        return data;
    }
};

bool sameText(const QString &a, const QString &b)
{
    // The store hands back the very string it was given; skip comparing megabytes.
    return (a.size() == b.size() && a.constData() == b.constData()) || a == b;
}

} // namespace

NotesWidget::NotesWidget(DashboardStore *store, const QUuid &id, QWidget *parent)
    : FaceWidget(12, parent)
    , m_store(store)
    , m_id(id)
    , m_editor(new NoteEditor)
    , m_saveTimer(new QTimer(this))
    , m_loadTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("notesFace"));
    addHeader(QStringLiteral("note.text"), Theme::yellow(), QStringLiteral("NOTES"));

    auto *field = new Face::DimmedField(this);
    field->setObjectName(QStringLiteral("noteField"));
    auto *fieldLayout = new QVBoxLayout(field);
    fieldLayout->setContentsMargins(kInnerPadding, kInnerPadding, kInnerPadding, kInnerPadding);
    m_editor->setParent(field);
    m_editor->setObjectName(QStringLiteral("editor"));
    m_editor->setAccessibleName(QStringLiteral("Notes"));
    // A click gives the keyboard; the overlay appearing does not.
    m_editor->setFocusPolicy(Qt::ClickFocus);
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setFont(Theme::font(16, QFont::Normal, Theme::FontDesign::rounded));
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_editor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FieldStyle::applyDarkPalette(m_editor);
    // The editor's own background is hidden; the field paints the plate.
    m_editor->setStyleSheet(QStringLiteral(
        "QPlainTextEdit { background: transparent; color: white; border: none; }"
        " QScrollBar:vertical { background: transparent; width: 6px; margin: 0; }"
        " QScrollBar::handle:vertical { background: rgba(255, 255, 255, 0.25);"
        " border-radius: 3px; min-height: 24px; }"
        " QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        " QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->document()->setDocumentMargin(0);
    fieldLayout->addWidget(m_editor);
    addFillingRow(field);

    auto *editor = static_cast<NoteEditor *>(m_editor);
    editor->pasted = [this](const QString &text) { paste(text); };
    editor->copied = [this](int position, int length) { return copy(position, length); };

    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(saveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, &NotesWidget::flush);
    m_loadTimer->setInterval(0);
    connect(m_loadTimer, &QTimer::timeout, this, &NotesWidget::loadNextSlice);

    connect(m_editor->document(), &QTextDocument::contentsChange, this, &NotesWidget::edited);
    connect(m_store, &DashboardStore::widgetsChanged, this, &NotesWidget::refresh);
    refresh();
}

NotesWidget::~NotesWidget()
{
    // The last keystroke is never lost, even when the face goes away mid-pause.
    save(false);
    if (m_copier.joinable())
        m_copier.join();
}

void NotesWidget::flush()
{
    save(true);
}

void NotesWidget::save(bool prepareCopy)
{
    if (!m_unsaved)
        return;
    m_unsaved = false;
    m_saveTimer->stop();
    QString previous = std::exchange(m_saved, m_note.exact());
    FaceBindings::setNote(*m_store, m_id, m_saved);
    if (prepareCopy && m_saved.size() > immediateSaveLimit)
        this->prepareCopy(std::move(previous));
}

void NotesWidget::prepareCopy(QString previous)
{
    if (m_copying)
        return;
    if (m_copier.joinable())
        m_copier.join(); // done already: its copy came through the event loop
    m_copying = true;
    m_copier = std::thread([this, previous = std::move(previous), saved = m_saved]() mutable {
        previous = QString();
        QString copy;
        copy.reserve(saved.size() + loadSlice);
        copy.append(saved);
        QMetaObject::invokeMethod(
            this,
            [this, saved = std::move(saved), copy = std::move(copy)]() mutable {
                m_copying = false;
                // Only while the editor still holds the saved note, unchanged.
                if (m_note.exact().constData() == saved.constData())
                    m_note.adopt(std::move(copy));
            },
            Qt::QueuedConnection);
    });
}

void NotesWidget::edited(int position, int removed, int added)
{
    if (m_loading)
        return;
    // The document counts its closing paragraph mark in some reports.
    const qsizetype shown = m_editor->document()->characterCount() - 1;
    position = int(std::min<qsizetype>(position, shown));
    added = int(std::clamp<qsizetype>(added, 0, shown - position));
    QTextCursor cursor(m_editor->document());
    cursor.setPosition(position);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    const QString inserted = cursor.selectedText();
    // A change of formatting only carries no new text.
    if (removed == added && m_note.displayMid(position, removed) == inserted)
        return;
    const QChar paragraph(QChar::ParagraphSeparator);
    if (removed > 0 && removed <= recentLimit) {
        // Undo may bring this back; its line ends and cuts are then known.
        QString gone = m_note.displayMid(position, removed);
        if (gone.contains(paragraph))
            remember(std::move(gone), m_note.exactMid(position, removed));
    }
    std::optional<QString> exact;
    if (added > 0)
        std::swap(exact, m_pasting);
    if (exact && inserted.contains(paragraph) && inserted.size() <= recentLimit)
        remember(inserted, *exact);
    if (!exact && inserted.contains(paragraph)) {
        for (const auto &[display, original] : m_recent) {
            if (display == inserted) {
                exact = original;
                break;
            }
        }
    }
    m_note.apply(
        position, removed, inserted, exact ? std::optional<QStringView>(*exact) : std::nullopt);

    m_unsaved = true;
    if (m_note.exact().size() <= immediateSaveLimit)
        flush();
    else
        m_saveTimer->start();
}

void NotesWidget::remember(QString display, QString exact)
{
    m_recent.emplace_front(std::move(display), std::move(exact));
    if (m_recent.size() > recentCount)
        m_recent.pop_back();
}

void NotesWidget::paste(const QString &exact)
{
    m_pasting = exact;
    m_editor->insertPlainText(NoteText::displayOf(exact));
    m_pasting.reset();
}

QString NotesWidget::copy(int position, int length) const
{
    return m_note.exactMid(position, length);
}

void NotesWidget::refresh()
{
    const QString note = FaceBindings::note(*m_store, m_id);
    // Ours is newer while a save waits for a pause.
    if (m_unsaved || sameText(note, m_saved))
        return;
    load(note);
}

void NotesWidget::load(const QString &note)
{
    m_saved = note;
    m_note = NoteText();
    m_note.reserve(note.size());
    m_source = note;
    m_loadedUpTo = 0;
    m_loading = true;
    m_editor->document()->setUndoRedoEnabled(false);
    m_recent.clear();
    m_editor->clear();
    loadNextSlice();
}

void NotesWidget::loadNextSlice()
{
    qsizetype end = std::min(m_loadedUpTo + loadSlice, m_source.size());
    // Keep a CR LF pair and a surrogate pair in one slice.
    if (end < m_source.size()
        && (m_source.at(end - 1) == u'\r' || m_source.at(end - 1).isHighSurrogate()))
        --end;
    const bool first = m_loadedUpTo == 0;
    const QStringView slice = QStringView(m_source).mid(m_loadedUpTo, end - m_loadedUpTo);
    const QString display = NoteText::displayOf(slice);
    m_note.apply(m_note.displayLength(), 0, display, slice);
    QTextCursor cursor(m_editor->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(display);
    m_loadedUpTo = end;
    if (first)
        m_editor->moveCursor(QTextCursor::Start);

    if (m_loadedUpTo < m_source.size()) {
        // Typing waits until the whole note is there.
        m_editor->setReadOnly(true);
        m_loadTimer->start();
        return;
    }
    m_loadTimer->stop();
    m_source = QString();
    m_editor->setReadOnly(false);
    m_editor->document()->setUndoRedoEnabled(true);
    m_loading = false;
}
