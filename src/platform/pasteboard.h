#pragma once

#include <QObject>
#include <QString>
#include <optional>

// The system clipboard as the clipboard face needs it: a counter that grows with every
// change of the contents, and the plain text, if any.
class Pasteboard
{
public:
    virtual ~Pasteboard() = default;

    // Never negative; grows whenever any program changes the clipboard.
    virtual qint64 changeCount() const = 0;
    // The plain-text content, or absent when the clipboard holds no text.
    virtual std::optional<QString> text() const = 0;
};

// QClipboard in Clipboard mode. X11 has no change counter, so this one counts dataChanged
// signals; the primary selection does not count.
class SystemPasteboard final
    : public QObject
    , public Pasteboard
{
    Q_OBJECT

public:
    explicit SystemPasteboard(QObject *parent = nullptr);

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QString> text() const override;

private:
    qint64 m_changeCount = 0;
};
