#include "pasteboard.h"

#include "x11selection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

std::optional<QString> clipboardText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

} // namespace

SystemPasteboard::SystemPasteboard(QObject *parent)
    : QObject(parent)
    // The reader connects where DISPLAY points; without it, Qt's read in place.
    , m_readsOffThread(QGuiApplication::platformName() == QLatin1String("xcb")
          && !qEnvironmentVariableIsEmpty("DISPLAY"))
{
    connect(
        QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { ++m_changeCount; });
}

SystemPasteboard::~SystemPasteboard()
{
    // The reader looks at the flag between waits of at most a tenth of a second.
    m_cancelled = true;
    if (m_reader.joinable())
        m_reader.join();
}

void SystemPasteboard::readText(QObject *context, TextRead done)
{
    if (m_readCount == m_changeCount) {
        done(m_text);
        return;
    }
    // Our own text, or a platform whose reads cannot be moved: Qt's read, in place.
    if (!m_readsOffThread || QGuiApplication::clipboard()->ownsClipboard()) {
        m_readCount = m_changeCount;
        m_text = clipboardText();
        done(m_text);
        return;
    }
    m_waiting.push_back({context, std::move(done)});
    if (!m_reading)
        startReading();
}

void SystemPasteboard::startReading()
{
    if (m_reader.joinable())
        m_reader.join(); // finished already: its result came through the event loop
    m_reading = true;
    const qint64 count = m_changeCount;
    m_reader = std::thread([this, count] {
        std::optional<QString> text = X11Selection::readClipboardText(m_cancelled);
        QMetaObject::invokeMethod(
            this,
            [this, count, text = std::move(text)]() mutable { finished(count, std::move(text)); },
            Qt::QueuedConnection);
    });
}

void SystemPasteboard::finished(qint64 changeCount, std::optional<QString> text)
{
    m_reading = false;
    m_readCount = changeCount;
    m_text = std::move(text);
    // After a change during the read, the counter has moved past this text, so the next
    // read asks again.
    std::vector<Waiting> waiting;
    waiting.swap(m_waiting);
    for (Waiting &w : waiting) {
        if (w.context)
            w.done(m_text);
    }
}
