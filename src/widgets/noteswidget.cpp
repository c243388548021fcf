#include "noteswidget.h"

#include "dashboardstore.h"
#include "facebindings.h"
#include "faceconventions.h"
#include "fieldstyle.h"
#include "theme.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int kInnerPadding = 8;

} // namespace

NotesWidget::NotesWidget(DashboardStore *store, const QUuid &id, QWidget *parent)
    : FaceWidget(12, parent)
    , m_store(store)
    , m_id(id)
    , m_editor(new QPlainTextEdit)
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
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setFont(Theme::font(16, QFont::Normal, Theme::FontDesign::rounded));
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
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

    connect(m_editor, &QPlainTextEdit::textChanged, this, &NotesWidget::write);
    connect(m_store, &DashboardStore::widgetsChanged, this, &NotesWidget::refresh);
    refresh();
}

void NotesWidget::write()
{
    if (m_loading)
        return;
    QString text = m_editor->toPlainText();
    // Format-only changes of the document carry no new text.
    if (text == m_shown)
        return;
    m_shown = std::move(text);
    FaceBindings::setNote(*m_store, m_id, m_shown);
}

void NotesWidget::refresh()
{
    const QString note = FaceBindings::note(*m_store, m_id);
    if (note == m_shown)
        return;
    m_loading = true;
    m_shown = note;
    m_editor->setPlainText(note);
    m_loading = false;
}
