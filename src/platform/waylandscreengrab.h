#pragma once

#include <QImage>
#include <QString>

// The pixels of the Wayland output named `outputName`, copied by the compositor into
// shared memory through wlroots' screencopy. Uses a connection of its own, made for this
// grab and closed after it, so nothing is kept between shows. A null image when the
// compositor offers no screencopy, has no such output, or the copy fails.
QImage grabWaylandOutput(const QString &outputName);
