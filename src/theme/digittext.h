#pragma once

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// Text with monospaced digits: every digit sits centred in a cell as wide as the font's
// widest digit with its usual side room, so changing figures never shift ("1111" and
// "8888" are equally wide). Other characters keep their own advance.
namespace DigitText {

qreal width(const QString &text, const QFont &font);
QSizeF size(const QString &text, const QFont &font);

// Draws `text` on one line inside `rect`, aligned by `alignment`, in the painter's pen.
// When `minimumScale` < 1 and the text is wider than `rect`, it is scaled down to fit,
// but never below `minimumScale`; beyond that it is cut as fitted() says.
void draw(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
    const QFont &font, qreal minimumScale = 1.0);

// `text` when it fits `availableWidth` at `minimumScale`; otherwise the longest start of
// it that fits with an ellipsis after it.
QString fitted(const QString &text, const QFont &font, qreal availableWidth, qreal minimumScale);

// The scale in [minimumScale, 1] at which `text` fits `availableWidth`.
qreal fittingScale(
    const QString &text, const QFont &font, qreal availableWidth, qreal minimumScale);

} // namespace DigitText
