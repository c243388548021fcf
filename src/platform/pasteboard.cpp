#include "pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

SystemPasteboard::SystemPasteboard(QObject *parent)
    : QObject(parent)
{
    connect(
        QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { ++m_changeCount; });
}

std::optional<QString> SystemPasteboard::text() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}
