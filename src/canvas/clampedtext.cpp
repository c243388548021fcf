#include "clampedtext.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace ClampedText {

QStringList lines(const QString &text, const QFont &font, qreal width, int maximumLines)
{
    QStringList result;
    if (text.isEmpty() || maximumLines <= 0)
        return result;
    const QFontMetricsF metrics(font);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(0.0, width));
        if (result.size() == maximumLines - 1) {
            // The last line allowed takes the rest, shortened to fit.
            const QString rest = text.mid(line.textStart()).trimmed();
            result.append(metrics.elidedText(rest, Qt::ElideRight, qMax(0.0, width)));
            break;
        }
        result.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return result;
}

} // namespace ClampedText
