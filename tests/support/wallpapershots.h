#pragma once

// What the end-to-end tests under real compositors read off their screenshots and the store.

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>

struct Colour
{
    double r = 0, g = 0, b = 0;
    double brightness() const { return (r + g + b) / 3; }
};

inline Colour mean(const QImage &image, const QRect &patch)
{
    Colour sum;
    const QImage part = image.copy(patch).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < part.height(); ++y) {
        for (int x = 0; x < part.width(); ++x) {
            const QRgb pixel = part.pixel(x, y);
            sum.r += qRed(pixel);
            sum.g += qGreen(pixel);
            sum.b += qBlue(pixel);
        }
    }
    const double n = double(part.width()) * part.height();
    return {sum.r / n, sum.g / n, sum.b / n};
}

inline QString describe(const Colour &colour)
{
    return QStringLiteral("(%1,%2,%3)")
        .arg(qRound(colour.r))
        .arg(qRound(colour.g))
        .arg(qRound(colour.b));
}

// Warm yellow on the left to cool cyan on the right: whatever shows it through keeps that
// order.
inline QImage gradientWallpaper(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), 0);
    gradient.setColorAt(0, QColor(245, 200, 60));
    gradient.setColorAt(1, QColor(60, 200, 245));
    painter.fillRect(image.rect(), gradient);
    return image;
}

// Empty parts of a 1280x720 panel with the first-run arrangement: under the cards, clear
// of the add button, one warm (left) and one cool (right) in the wallpaper.
constexpr QRect warmPatch(80, 480, 240, 160);
constexpr QRect coolPatch(900, 440, 240, 140);
// Where the first-run arrangement puts its notes card on a 1280x720 output.
constexpr QPoint notesCard(1000, 300);

// The note of the first notes card in the arrangement saved for `output`.
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
