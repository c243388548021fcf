#pragma once

#include <QString>
#include <atomic>
#include <optional>

namespace X11Selection {

// Beyond this many bytes the clipboard is not taken as text: a program streaming without
// end must not fill the memory.
constexpr qsizetype maximumTextBytes = qsizetype(256) << 20;

// The CLIPBOARD selection's text, read over a connection of its own to the X server named
// by DISPLAY, in UTF-8 where the owner offers it, else Latin-1. Absent when the clipboard
// holds no text, when its owner stops answering for a few seconds, or once `cancelled`
// is set. Blocks for as long as the transfer takes: call it off the main thread.
std::optional<QString> readClipboardText(const std::atomic<bool> &cancelled);

} // namespace X11Selection
