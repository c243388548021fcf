#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// Symbol images by their platform-neutral names ("clock.fill", "xmark", "die.face.3.fill"),
// drawn from the icons compiled into the binary.
namespace Symbols {

// The compiled-in icon file for a symbol name, or an empty string for an unknown name.
QString resourcePath(const QString &name);
bool exists(const QString &name);

// The symbol filling a square of `size` device-independent pixels, tinted `color`, at
// `devicePixelRatio`. Cached per name, size, colour and ratio. Unknown names give a null
// pixmap.
QPixmap pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio = 1.0);

} // namespace Symbols
