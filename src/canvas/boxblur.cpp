#include "boxblur.h"

#include <QImage>
#include <algorithm>
#include <vector>

namespace {

// One running-sum pass along rows (or columns when `vertical`), edges clamped.
void blurPass(QImage &image, int radius, bool vertical)
{
    const int width = image.width();
    const int height = image.height();
    const int lines = vertical ? width : height;
    const int length = vertical ? height : width;
    const int window = 2 * radius + 1;
    const qsizetype stride = image.bytesPerLine() / 4;
    auto *pixels = reinterpret_cast<quint32 *>(image.bits());
    std::vector<quint32> line(static_cast<size_t>(length));

    for (int l = 0; l < lines; ++l) {
        quint32 *start = vertical ? pixels + l : pixels + l * stride;
        const qsizetype step = vertical ? stride : 1;
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = start[i * step];

        int sum[4] = {0, 0, 0, 0};
        const auto add = [&](quint32 p, int sign) {
            sum[0] += sign * int(p & 0xff);
            sum[1] += sign * int((p >> 8) & 0xff);
            sum[2] += sign * int((p >> 16) & 0xff);
            sum[3] += sign * int((p >> 24) & 0xff);
        };
        const auto at = [&](int i) { return line[size_t(std::clamp(i, 0, length - 1))]; };
        for (int i = -radius; i <= radius; ++i)
            add(at(i), 1);
        for (int i = 0; i < length; ++i) {
            start[i * step] = quint32(sum[0] / window) | (quint32(sum[1] / window) << 8)
                | (quint32(sum[2] / window) << 16) | (quint32(sum[3] / window) << 24);
            add(at(i + radius + 1), 1);
            add(at(i - radius), -1);
        }
    }
}

} // namespace

void boxBlur(QImage &image, int radius, int passes)
{
    if (image.isNull() || radius < 1)
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied
        && image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    for (int pass = 0; pass < passes; ++pass) {
        blurPass(image, radius, false);
        blurPass(image, radius, true);
    }
}
