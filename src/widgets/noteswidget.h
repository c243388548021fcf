#pragma once

#include "facewidget.h"

#include <QUuid>

class DashboardStore;
class QPlainTextEdit;

// The notes face: a plain-text editor whose every change (keystroke, paste, deletion)
// is written to the widget record and saved before the handler returns.
class NotesWidget : public FaceWidget
{
    Q_OBJECT

public:
    NotesWidget(DashboardStore *store, const QUuid &id, QWidget *parent = nullptr);

    QPlainTextEdit *editor() const { return m_editor; }

private:
    void refresh();
    void write();

    DashboardStore *m_store;
    QUuid m_id;
    QPlainTextEdit *m_editor;
    // What the editor holds, so store changes made by other faces cost no editor copy.
    QString m_shown;
    bool m_loading = false;
};
