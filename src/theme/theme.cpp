#include "theme.h"

#include <QFontDatabase>
#include <QHash>

namespace Theme {

QColor cyan()
{
    return QColor(0x64, 0xD2, 0xFF);
}
QColor green()
{
    return QColor(0x30, 0xD1, 0x58);
}
QColor orange()
{
    return QColor(0xFF, 0x9F, 0x0A);
}
QColor purple()
{
    return QColor(0xBF, 0x5A, 0xF2);
}
QColor yellow()
{
    return QColor(0xFF, 0xD6, 0x0A);
}
QColor mint()
{
    return QColor(0x66, 0xD4, 0xCF);
}
QColor pink()
{
    return QColor(0xFF, 0x37, 0x5F);
}
QColor red()
{
    return QColor(0xFF, 0x45, 0x3A);
}
QColor blue()
{
    return QColor(0x0A, 0x84, 0xFF);
}
QColor accent()
{
    return blue();
}

QColor primaryText()
{
    return white();
}

QColor secondaryText()
{
    QColor color(235, 235, 245);
    color.setAlphaF(0.60f);
    return color;
}

QColor white(qreal opacity)
{
    return withOpacity(Qt::white, opacity);
}
QColor black(qreal opacity)
{
    return withOpacity(Qt::black, opacity);
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(color.alphaF() * qBound(0.0, opacity, 1.0)));
    return color;
}

namespace {

QString familyFor(FontDesign design)
{
    // Resolved once per design: the font database lookup is not cheap.
    static QHash<int, QString> resolved;
    const auto found = resolved.constFind(int(design));
    if (found != resolved.constEnd())
        return *found;

    QString wanted;
    switch (design) {
    case FontDesign::standard:
        wanted = QStringLiteral("Inter");
        break;
    case FontDesign::rounded:
        wanted = QStringLiteral("Quicksand");
        break;
    case FontDesign::serif:
        wanted = QStringLiteral("Noto Serif");
        break;
    }
    QString family = QFontDatabase::hasFamily(wanted)
        ? wanted
        : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    resolved.insert(int(design), family);
    return family;
}

} // namespace

QFont font(qreal points, QFont::Weight weight, FontDesign design)
{
    QFont result(familyFor(design));
    result.setPixelSize(qMax(1, qRound(points)));
    result.setWeight(weight);
    result.setStyleStrategy(QFont::PreferAntialias);
    result.setHintingPreference(QFont::PreferNoHinting);
    return result;
}

qreal textStyleSize(TextStyle style)
{
    switch (style) {
    case TextStyle::title2:
        return 17;
    case TextStyle::title3:
        return 15;
    case TextStyle::headline:
    case TextStyle::body:
        return 13;
    case TextStyle::subheadline:
        return 11;
    case TextStyle::caption:
    case TextStyle::caption2:
        return 10;
    }
    return 13;
}

QFont textStyle(TextStyle style)
{
    const QFont::Weight weight = style == TextStyle::headline ? QFont::DemiBold : QFont::Normal;
    return font(textStyleSize(style), weight);
}

} // namespace Theme
