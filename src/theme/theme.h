#pragma once

#include <QColor>
#include <QFont>

// The single source of the overlay's look: the dark system colours, the three font
// designs and the named text styles. One point is one device-independent pixel.
namespace Theme {

// Named system colours, dark appearance.
QColor cyan();
QColor green();
QColor orange();
QColor purple();
QColor yellow();
QColor mint();
QColor pink();
QColor red();
QColor blue();
// The accent colour (blue).
QColor accent();

// Text on the card background.
QColor primaryText();
QColor secondaryText();

// White or black at an opacity in [0, 1].
QColor white(qreal opacity = 1.0);
QColor black(qreal opacity = 1.0);
// `color` with its alpha multiplied by `opacity`.
QColor withOpacity(QColor color, qreal opacity);

enum class FontDesign { standard, rounded, serif };

// The system font at `points` (= pixel size) in a weight and design. Standard is Inter,
// rounded is Quicksand, serif is Noto Serif; each falls back to the system sans.
QFont font(
    qreal points, QFont::Weight weight = QFont::Normal, FontDesign design = FontDesign::standard);

enum class TextStyle { title2, title3, headline, subheadline, body, caption, caption2 };

// The named text style's font (title2 17, title3 15, headline 13 semibold,
// subheadline 11, body 13, caption 10, caption2 10).
QFont textStyle(TextStyle style);
qreal textStyleSize(TextStyle style);

} // namespace Theme
