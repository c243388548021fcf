#pragma once

#include <QFont>
#include <QStringList>

// Text wrapped at word boundaries into at most a given number of lines. Where the text
// does not fit, the last line ends in an ellipsis, so lines are never cut through their
// glyphs by a clip.
namespace ClampedText {

QStringList lines(const QString &text, const QFont &font, qreal width, int maximumLines);

} // namespace ClampedText
