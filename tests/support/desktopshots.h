#pragma once

// Reading screenshots and stored arrangements in the end-to-end tests on real compositors.

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QRect>

// Empty parts of a 1280×720 panel with the first-run arrangement: under the cards, clear
// of the add button, one warm (left) and one cool (right) in the wallpaper.
constexpr QRect warmPatch(80, 480, 240, 160);
constexpr QRect coolPatch(900, 440, 240, 140);

// Warm yellow on the left to cool cyan on the right: a frosted copy keeps that order.
inline QImage gradientWallpaper(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), 0);
    gradient.setColorAt(0, QColor(245, 200, 60));
    gradient.setColorAt(1, QColor(60, 200, 245));
    painter.fillRect(image.rect(), gradient);
    return image;
}

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
