#pragma once

// Reading screenshots and stored arrangements in the end-to-end tests on real compositors.

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>

struct Colour
{
    double r = 0, g = 0, b = 0;
    double brightness() const { return (r + g + b) / 3; }
};

// The mean colour of `patch`, or of the columns in it that `column` accepts.
template<typename Accept> Colour mean(const QImage &image, const QRect &patch, Accept column)
{
    Colour sum;
    int n = 0;
    const QImage part = image.copy(patch).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < part.height(); ++y) {
        for (int x = 0; x < part.width(); ++x) {
            if (!column(patch.x() + x))
                continue;
            const QRgb pixel = part.pixel(x, y);
            sum.r += qRed(pixel);
            sum.g += qGreen(pixel);
            sum.b += qBlue(pixel);
            ++n;
        }
    }
    return n ? Colour {sum.r / n, sum.g / n, sum.b / n} : Colour {};
}

inline Colour mean(const QImage &image, const QRect &patch)
{
    return mean(image, patch, [](int) { return true; });
}

// The note of the first notes card that Corvina stored for `output`.
inline QString storedNote(const QString &configDir, const QString &output)
{
    QFile file(configDir + QStringLiteral("/corvina/dashboard.widgets.display.%1.v1").arg(output));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray widgets = QJsonDocument::fromJson(file.readAll()).array();
    for (const QJsonValue &widget : widgets) {
        if (widget[QLatin1String("kind")] == QLatin1String("notes"))
            return widget[QLatin1String("note")].toString();
    }
    return {};
}
