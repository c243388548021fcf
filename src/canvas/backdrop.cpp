#include "backdrop.h"

#include "pixelloop.h"
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
    m_image = blurred.isNull() || blurred.format() == QImage::Format_RGB32
        ? blurred
        : blurred.convertToFormat(QImage::Format_RGB32);
    // The taps stay for the next picture of the same size: each show brings one, and each
    // hide none.
}

void Backdrop::setSize(QSize size, qreal devicePixelRatio)
{
    if (size == m_size && devicePixelRatio == m_ratio)
        return;
    m_size = size;
    m_ratio = devicePixelRatio;
    m_tapsFor = QSize();
}

QSize Backdrop::pixelSize() const
{
    return m_size * m_ratio;
}

namespace {

constexpr qreal gradientTop = 0.08;
constexpr qreal gradientBottom = 0.38;

// Per channel (a * x + b * y) / 256 over whole rows, opaque, for weights a + b <= 256: a
// channel times a weight fits 16 bits, so the compiler can blend many channels at once.
PIXEL_LOOP void blendRows(
    const quint32 *first, quint32 a, const quint32 *second, quint32 b, quint32 *out, int width)
{
    const auto *x = reinterpret_cast<const uchar *>(first);
    const auto *y = reinterpret_cast<const uchar *>(second);
    auto *bytes = reinterpret_cast<uchar *>(out);
    const auto wa = quint16(a);
    const auto wb = quint16(b);
    for (int i = 0; i < width * 4; ++i)
        bytes[i] = uchar(quint16(quint16(x[i] * wa) + quint16(y[i] * wb)) >> 8);
    for (int i = 0; i < width; ++i)
        out[i] |= 0xff000000;
}

// The same blend across a row, with a pair of weights for every channel.
PIXEL_LOOP void blendColumns(const quint32 *lefts, const quint16 *leftWeights,
    const quint32 *rights, const quint16 *rightWeights, quint32 *out, int width)
{
    const auto *l = reinterpret_cast<const uchar *>(lefts);
    const auto *r = reinterpret_cast<const uchar *>(rights);
    auto *bytes = reinterpret_cast<uchar *>(out);
    for (int i = 0; i < width * 4; ++i)
        bytes[i]
            = uchar(quint16(quint16(l[i] * leftWeights[i]) + quint16(r[i] * rightWeights[i])) >> 8);
}

// The ratio of the pixels actually painted: a widget painted through QWidget::render() or
// grab() may land on a device whose ratio is not its screen's.
qreal paintedRatio(const QPainter &painter)
{
    if (const QPaintEngine *engine = painter.paintEngine(); engine && engine->paintDevice())
        return engine->paintDevice()->devicePixelRatio();
    return painter.device() ? painter.device()->devicePixelRatio() : 1.0;
}

} // namespace

QImage *Backdrop::directTarget(const QPainter &painter, QPoint *offset)
{
    const QPaintEngine *engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice()
        || engine->paintDevice()->devType() != QInternal::Image)
        return nullptr;
    auto *image = static_cast<QImage *>(engine->paintDevice());
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied
        && format != QImage::Format_ARGB32)
        return nullptr;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate || transform.dx() != qRound(transform.dx())
        || transform.dy() != qRound(transform.dy()))
        return nullptr;
    *offset = QPoint(qRound(transform.dx()), qRound(transform.dy()));
    return image;
}

void Backdrop::followRatio(const QPainter &painter) const
{
    const qreal ratio = paintedRatio(painter);
    if (ratio != m_ratio) {
        m_ratio = ratio;
        m_tapsFor = QSize();
    }
}

void Backdrop::prepareTaps() const
{
    const QSize size = pixelSize();
    if ((m_tapsFor == size && m_tapsFrom == m_image.size()) || m_image.isNull())
        return;
    m_tapsFor = size;
    m_tapsFrom = m_image.size();
    // Where each of `to` pixels samples a line of `from`: centre to centre, edges clamped,
    // as a smooth scale does.
    const auto taps = [](int from, int to) {
        std::vector<Tap> result(static_cast<size_t>(qMax(to, 0)));
        for (int i = 0; i < to; ++i) {
            const qreal at = qMax(0.0, (i + 0.5) * from / to - 0.5);
            const int first = qMin(int(at), from - 1);
            result[size_t(i)]
                = {first, qMin(first + 1, from - 1), quint32(qRound((at - first) * 256))};
        }
        return result;
    };
    m_columns = taps(m_image.width(), size.width());
    m_rows = taps(m_image.height(), size.height());
    m_leftWeights.resize(m_columns.size() * 4);
    m_rightWeights.resize(m_columns.size() * 4);
    for (size_t i = 0; i < m_leftWeights.size(); ++i) {
        m_leftWeights[i] = quint16(256 - m_columns[i / 4].weight);
        m_rightWeights[i] = quint16(m_columns[i / 4].weight);
    }
}

// The blurred desktop scaled up smoothly under the darkening gradient, in one pass over the
// pixels asked for: scaling a small picture up through the painter and then filling the
// gradient over it cost a screen's worth of bilinear fetches and a second blend.
void Backdrop::composeInto(const QRect &pixels, uchar *bits, qsizetype bytesPerLine,
    const std::function<void(int, uchar *)> &then) const
{
    prepareTaps();
    const int height = pixelSize().height();
    const int width = pixels.width();
    const int left = pixels.left();
    // Source rows scaled to this area's width, the two most recent kept.
    std::vector<quint32> wide[2]
        = {std::vector<quint32>(size_t(width)), std::vector<quint32>(size_t(width))};
    int wideRow[2] = {-1, -1};
    std::vector<quint32> lefts(static_cast<size_t>(width));
    std::vector<quint32> rights(static_cast<size_t>(width));
    const auto widened = [&](int y) -> const quint32 * {
        for (int i = 0; i < 2; ++i) {
            if (wideRow[i] == y)
                return wide[i].data();
        }
        const int slot = wideRow[0] == y - 1 ? 1 : 0;
        wideRow[slot] = y;
        const auto *line = reinterpret_cast<const quint32 *>(m_image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const Tap &tap = m_columns[size_t(left + x)];
            lefts[size_t(x)] = line[tap.first];
            rights[size_t(x)] = line[tap.second];
        }
        blendColumns(lefts.data(), m_leftWeights.data() + qsizetype(left) * 4, rights.data(),
            m_rightWeights.data() + qsizetype(left) * 4, wide[slot].data(), width);
        return wide[slot].data();
    };

    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        // The gradient's black over-paint only scales the row down.
        const qreal t = (y + 0.5) / height;
        const qreal alpha = gradientTop + (gradientBottom - gradientTop) * t;
        const auto keep = quint32(qRound((1.0 - alpha) * 256));
        const Tap &tap = m_rows[size_t(y)];
        const quint32 a = ((256 - tap.weight) * keep + 128) >> 8;
        const quint32 b = keep - a;
        const quint32 *first = widened(tap.first);
        const quint32 *second = widened(tap.second);
        auto *out = reinterpret_cast<quint32 *>(bits + qsizetype(y - pixels.top()) * bytesPerLine);
        blendRows(first, a, second, b, out, width);
        if (then)
            then(y, reinterpret_cast<uchar *>(out));
    }
}

bool Backdrop::composeWhole(uchar *bits, qsizetype bytesPerLine, QSize pixels)
{
    if (!prepareWhole(pixels))
        return false;
    composeRows(bits, bytesPerLine, 0, pixels.height());
    return true;
}

bool Backdrop::prepareWhole(QSize pixels)
{
    if (m_image.isNull() || pixels != m_size || pixels.isEmpty())
        return false;
    if (m_ratio != 1.0) {
        m_ratio = 1.0;
        m_tapsFor = QSize();
    }
    prepareTaps();
    return true;
}

void Backdrop::composeRows(uchar *bits, qsizetype bytesPerLine, int top, int count,
    const std::function<void(int, uchar *)> &then) const
{
    if (count > 0)
        composeInto(QRect(0, top, m_size.width(), count), bits, bytesPerLine, then);
}

QImage Backdrop::composed(const QRect &pixels) const
{
    const QRect area = pixels & QRect(QPoint(0, 0), pixelSize());
    if (area.isEmpty())
        return {};
    if (m_image.isNull()) {
        QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.translate(-area.topLeft());
        const QRectF bounds(QPointF(0, 0), QSizeF(pixelSize()));
        painter.fillRect(bounds, tint());
        QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
        gradient.setColorAt(0, Theme::black(gradientTop));
        gradient.setColorAt(1, Theme::black(gradientBottom));
        painter.fillRect(bounds, gradient);
        return image;
    }
    QImage image(area.size(), QImage::Format_RGB32);
    composeInto(area, image.bits(), image.bytesPerLine());
    return image;
}

void Backdrop::paint(QPainter &painter, const QRect &target, QPoint source) const
{
    if (m_size.isEmpty() || target.isEmpty())
        return;
    followRatio(painter);
    const QRect pixels
        = QRect(source * m_ratio, target.size() * m_ratio) & QRect(QPoint(0, 0), pixelSize());
    if (pixels.isEmpty())
        return;
    QPoint offset;
    if (m_ratio == 1.0 && !m_image.isNull()) {
        if (QImage *device = directTarget(painter, &offset)) {
            // Straight into the window's pixels: no screen-sized copy on the way.
            const QRect into = QRect(target.topLeft() + offset, pixels.size()) & device->rect();
            if (into.isEmpty())
                return;
            const QRect from(
                pixels.topLeft() + (into.topLeft() - target.topLeft() - offset), into.size());
            composeInto(from, device->scanLine(into.top()) + qsizetype(into.left()) * 4,
                device->bytesPerLine());
            return;
        }
    }
    QImage piece = composed(pixels);
    piece.setDevicePixelRatio(m_ratio);
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(target.topLeft(), QSizeF(pixels.size()) / m_ratio), piece);
    painter.setCompositionMode(mode);
}

void Backdrop::paint(
    QPainter &painter, const QPainterPath &clip, QPointF source, const QRectF &area) const
{
    if (m_size.isEmpty())
        return;
    followRatio(painter);
    const QRectF local = area.isNull() ? clip.boundingRect() : clip.boundingRect() & area;
    const QRect pixels
        = QRectF((local.topLeft() + source) * m_ratio, local.size() * m_ratio).toAlignedRect()
        & QRect(QPoint(0, 0), pixelSize());
    if (pixels.isEmpty())
        return;
    // A textured brush keeps the clip's edge antialiased where a clip region would not.
    // Whether a brush honours its texture's ratio depends on how the widget is painted, so
    // the texture has none and the scale is spelled out.
    QBrush brush(composed(pixels));
    brush.setTransform(QTransform(1 / m_ratio, 0, 0, 1 / m_ratio, pixels.x() / m_ratio - source.x(),
        pixels.y() / m_ratio - source.y()));
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillPath(clip, brush);
    painter.setCompositionMode(mode);
}
