#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

// The system clipboard as the clipboard face needs it: a counter that grows with every
// change of the contents, and the plain text, if any.
class Pasteboard
{
public:
    // The text, or absent when the clipboard holds none.
    using TextRead = std::function<void(std::optional<QString> text)>;

    virtual ~Pasteboard() = default;

    // Never negative; grows whenever any program changes the clipboard.
    virtual qint64 changeCount() const = 0;
    /// Reads the plain text and hands it to `done`, before returning or later from the
    /// event loop: a large text from another program is read without blocking the caller.
    /// `done` is dropped when `context` is destroyed first.
    virtual void readText(QObject *context, TextRead done) = 0;
};

// QClipboard in Clipboard mode. X11 has no change counter, so this one counts dataChanged
// signals; the primary selection does not count. On X11 another program's text is read on
// a thread of its own, over a connection of its own: Qt's read waits on the main thread
// for the whole transfer, half a second or more for 50 MB. The text read last is kept, so
// a counter that has not moved since costs no transfer.
class SystemPasteboard final
    : public QObject
    , public Pasteboard
{
    Q_OBJECT

public:
    explicit SystemPasteboard(QObject *parent = nullptr);
    ~SystemPasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }
    void readText(QObject *context, TextRead done) override;

private:
    struct Waiting
    {
        QPointer<QObject> context;
        TextRead done;
    };

    void startReading();
    void finished(qint64 changeCount, std::optional<QString> text);

    const bool m_readsOffThread;
    qint64 m_changeCount = 0;
    // The text as of m_readCount.
    std::optional<QString> m_text;
    qint64 m_readCount = -1;
    std::vector<Waiting> m_waiting;
    std::thread m_reader;
    bool m_reading = false;
    std::atomic<bool> m_cancelled = false;
};
