#include "backdrop.h"

#include "theme.h"

#include <QLinearGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <vector>

QColor Backdrop::tint()
{
    // See-through enough that the desktop reads through it, darkened, where nothing blurs
    // it (GNOME on Wayland): with the gradient about a third of its brightness remains.
    return QColor(16, 18, 24, 140);
}

void Backdrop::setImage(const QImage &blurred)
{
    m_image = blurred;
    m_dirty = true;
}

void Backdrop::setSize(QSize size, qreal devicePixelRatio)
{
    if (size == m_size && devicePixelRatio == m_ratio)
        return;
    m_size = size;
    m_ratio = devicePixelRatio;
    m_dirty = true;
}

const QPixmap &Backdrop::pixmap() const
{
    if (m_dirty)
        compose();
    return m_composed;
}

namespace {

constexpr qreal gradientTop = 0.08;
constexpr qreal gradientBottom = 0.38;

// Per channel (a * x + b * y) / 256 for weights a + b <= 256, two channels at a time.
quint32 mix(quint32 x, quint32 a, quint32 y, quint32 b)
{
    const quint32 even = (((x & 0x00ff00ff) * a + (y & 0x00ff00ff) * b) >> 8) & 0x00ff00ff;
    const quint32 odd = ((((x >> 8) & 0x00ff00ff) * a + ((y >> 8) & 0x00ff00ff) * b)) & 0xff00ff00;
    return even | odd;
}

struct Tap
{
    int first;
    int second;
    quint32 weight; // of the second, in 256ths
};

// Where each of `to` pixels samples a line of `from`: centre to centre, edges clamped, as a
// smooth scale does.
std::vector<Tap> taps(int from, int to)
{
    std::vector<Tap> result(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i) {
        const qreal at = qMax(0.0, (i + 0.5) * from / to - 0.5);
        const int first = qMin(int(at), from - 1);
        result[size_t(i)] = {first, qMin(first + 1, from - 1), quint32(qRound((at - first) * 256))};
    }
    return result;
}

// The blurred desktop scaled up smoothly under the darkening gradient, in one pass over the
// full-size pixels: scaling a small picture up through the painter and then filling the
// gradient over it cost a screen's worth of bilinear fetches and a second blend.
QImage scaledUnderGradient(const QImage &small, QSize size)
{
    const QImage source = small.convertToFormat(QImage::Format_RGB32);
    QImage result(size, QImage::Format_RGB32);
    const std::vector<Tap> columns = taps(source.width(), size.width());
    const std::vector<Tap> rows = taps(source.height(), size.height());

    // Source rows scaled to full width, the two most recent kept.
    std::vector<quint32> wide[2]
        = {std::vector<quint32>(size_t(size.width())), std::vector<quint32>(size_t(size.width()))};
    int wideRow[2] = {-1, -1};
    const auto widened = [&](int y) -> const quint32 * {
        for (int i = 0; i < 2; ++i) {
            if (wideRow[i] == y)
                return wide[i].data();
        }
        const int slot = wideRow[0] == y - 1 ? 1 : 0;
        wideRow[slot] = y;
        const auto *line = reinterpret_cast<const quint32 *>(source.constScanLine(y));
        quint32 *out = wide[slot].data();
        for (size_t x = 0; x < columns.size(); ++x) {
            const Tap &tap = columns[x];
            out[x] = mix(line[tap.first], 256 - tap.weight, line[tap.second], tap.weight);
        }
        return out;
    };

    for (int y = 0; y < size.height(); ++y) {
        // The gradient's black over-paint only scales the row down.
        const qreal t = (y + 0.5) / size.height();
        const qreal alpha = gradientTop + (gradientBottom - gradientTop) * t;
        const auto keep = quint32(qRound((1.0 - alpha) * 256));
        const Tap &tap = rows[size_t(y)];
        const quint32 a = ((256 - tap.weight) * keep + 128) >> 8;
        const quint32 b = keep - a;
        const quint32 *first = widened(tap.first);
        const quint32 *second = widened(tap.second);
        auto *out = reinterpret_cast<quint32 *>(result.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            out[x] = mix(first[x], a, second[x], b) | 0xff000000;
    }
    return result;
}

} // namespace

void Backdrop::compose() const
{
    m_dirty = false;
    if (m_size.isEmpty()) {
        m_composed = QPixmap();
        m_texture = QImage();
        m_composedImage = QImage();
        return;
    }
    const QRectF bounds(QPointF(0, 0), QSizeF(m_size));
    QImage image;
    if (m_image.isNull()) {
        image = QImage(m_size * m_ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(m_ratio);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.fillRect(bounds, tint());
        QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
        gradient.setColorAt(0, Theme::black(gradientTop));
        gradient.setColorAt(1, Theme::black(gradientBottom));
        painter.fillRect(bounds, gradient);
    } else {
        image = scaledUnderGradient(m_image, m_size * m_ratio);
        image.setDevicePixelRatio(m_ratio);
    }
    m_composed = QPixmap::fromImage(image);
    // The same pixels, unscaled, for the brush.
    m_texture = QImage(
        image.constBits(), image.width(), image.height(), image.bytesPerLine(), image.format());
    m_composedImage = std::move(image);
}

namespace {

// The ratio of the pixels actually painted: a widget painted through QWidget::render() or
// grab() may land on a device whose ratio is not its screen's.
qreal paintedRatio(const QPainter &painter)
{
    if (const QPaintEngine *engine = painter.paintEngine(); engine && engine->paintDevice())
        return engine->paintDevice()->devicePixelRatio();
    return painter.device() ? painter.device()->devicePixelRatio() : 1.0;
}

} // namespace

const QPixmap &Backdrop::pixmapFor(const QPainter &painter) const
{
    const qreal ratio = paintedRatio(painter);
    if (ratio != m_ratio) {
        m_ratio = ratio;
        m_dirty = true;
    }
    return pixmap();
}

void Backdrop::paint(QPainter &painter, const QRectF &target, QPointF source) const
{
    const QPixmap &composed = pixmapFor(painter);
    if (composed.isNull())
        return;
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(target, composed, QRectF(source * m_ratio, target.size() * m_ratio));
    painter.setCompositionMode(mode);
}

void Backdrop::paint(QPainter &painter, const QPainterPath &clip, QPointF source) const
{
    const QPixmap &composed = pixmapFor(painter);
    if (composed.isNull())
        return;
    // A textured brush keeps the clip's edge antialiased where a clip region would not.
    // Whether a brush honours its texture's ratio depends on how the widget is painted, so
    // the texture has none and the scale is spelled out.
    QBrush brush(m_texture);
    brush.setTransform(
        QTransform::fromTranslate(-source.x(), -source.y()).scale(1 / m_ratio, 1 / m_ratio));
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillPath(clip, brush);
    painter.setCompositionMode(mode);
}
