#pragma once

#include "facewidget.h"

class Pasteboard;
class QPlainTextEdit;
class QToolButton;

// The latest text on the clipboard, selectable and scrolling. Polled every second; the
// text is read again only when the clipboard's change counter has moved, and a large one
// arrives when the pasteboard has read it, without holding up the overlay.
class ClipboardWidget : public FaceWidget
{
    Q_OBJECT

public:
    // A null pasteboard leaves the face at its first text.
    explicit ClipboardWidget(Pasteboard *pasteboard, QWidget *parent = nullptr);

    // Reads the counter and the text, whether or not the counter moved, unless a read is
    // under way.
    void refresh();
    // One polling step: refresh only when the counter moved.
    void poll();

    QString text() const { return m_text; }
    qint64 changeCount() const { return m_changeCount; }
    // The part of the text the area shows; very long texts are cut there, not in `text()`.
    QString shownText() const;

    // Laying out a single line of tens of megabytes takes seconds, so the area shows at
    // most this many characters; a card shows a few hundred at a time anyway.
    static constexpr qsizetype shownCharacterLimit = 20000;

private:
    void setText(const QString &text);

    Pasteboard *m_pasteboard;
    QString m_text;
    qint64 m_changeCount = -1;
    bool m_reading = false;
    QPlainTextEdit *m_area;
};
