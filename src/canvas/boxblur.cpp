#include "boxblur.h"

#include <QImage>
#include <algorithm>
#include <vector>

namespace {

// Sum of a window of channel values to their mean, truncated, without a division per pixel.
std::vector<quint8> meanTable(int window)
{
    std::vector<quint8> table(size_t(255 * window + 1));
    for (size_t sum = 0; sum < table.size(); ++sum)
        table[sum] = quint8(sum / size_t(window));
    return table;
}

// A pixel's four channels spread over four 16-bit lanes, so one addition sums all of them:
// a window of up to 257 bytes cannot carry out of its lane.
quint64 spread(quint32 pixel)
{
    quint64 lanes = pixel;
    lanes = (lanes | (lanes << 16)) & 0x0000ffff0000ffffULL;
    return (lanes | (lanes << 8)) & 0x00ff00ff00ff00ffULL;
}

quint32 pack(quint64 sums, const quint8 *mean)
{
    return quint32(mean[sums & 0xffff]) | (quint32(mean[(sums >> 16) & 0xffff]) << 8)
        | (quint32(mean[(sums >> 32) & 0xffff]) << 16) | (quint32(mean[sums >> 48]) << 24);
}

// One running-sum pass along every row, edges clamped. `padded` is scratch space.
void blurRows(QImage &image, int radius, const quint8 *mean, std::vector<quint64> &padded)
{
    const int width = image.width();
    // The row with `radius` copies of its edge pixels on either side, plus one to step past.
    padded.resize(size_t(width + 2 * radius + 1));
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(image.scanLine(y));
        std::fill_n(padded.begin(), radius, spread(row[0]));
        std::transform(row, row + width, padded.begin() + radius, spread);
        std::fill(padded.begin() + radius + width, padded.end(), spread(row[width - 1]));

        quint64 sums = 0;
        for (int i = 0; i <= 2 * radius; ++i)
            sums += padded[size_t(i)];
        for (int x = 0; x < width; ++x) {
            row[x] = pack(sums, mean);
            sums += padded[size_t(x + 2 * radius + 1)];
            sums -= padded[size_t(x)];
        }
    }
}

// The same along every column, a whole row at a time so memory is read in order. The image
// is overwritten as the pass goes, so the rows still to leave the window are kept spread in
// a ring (`scratch`), and the two edge rows apart.
void blurColumns(QImage &image, int radius, const quint8 *mean, std::vector<quint64> &scratch)
{
    const int width = image.width();
    const int height = image.height();
    const int ring = 2 * radius + 2;
    scratch.resize(size_t(width) * size_t(ring + 3));
    quint64 *sums = scratch.data();
    quint64 *top = sums + width;
    quint64 *bottom = top + width;
    quint64 *rows = bottom + width;
    const auto spreadRow = [&](int y, quint64 *into) {
        const auto *line = reinterpret_cast<const quint32 *>(image.constScanLine(y));
        std::transform(line, line + width, into, spread);
        return into;
    };
    spreadRow(0, top);
    spreadRow(height - 1, bottom);
    // Row `y` as it was before this pass, for any y the window reaches.
    const auto original = [&](int y) -> const quint64 * {
        if (y <= 0)
            return top;
        if (y >= height - 1)
            return bottom;
        return rows + qsizetype(y % ring) * width;
    };
    const auto keep = [&](int y) {
        if (y > 0 && y < height - 1)
            spreadRow(y, rows + qsizetype(y % ring) * width);
    };
    std::fill_n(sums, width, 0);
    for (int i = -radius; i <= radius; ++i) {
        keep(i);
        const quint64 *line = original(i);
        for (int x = 0; x < width; ++x)
            sums[x] += line[x];
    }
    for (int y = 0; y < height; ++y) {
        auto *out = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = pack(sums[x], mean);
        keep(y + radius + 1);
        const quint64 *in = original(y + radius + 1);
        const quint64 *gone = original(y - radius);
        for (int x = 0; x < width; ++x)
            sums[x] += in[x] - gone[x];
    }
}

} // namespace

void boxBlur(QImage &image, int radius, int passes)
{
    if (image.isNull() || radius < 1)
        return;
    radius = std::min(radius, 128); // keeps a window's sum inside its 16-bit lane
    if (image.format() != QImage::Format_ARGB32_Premultiplied
        && image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const std::vector<quint8> mean = meanTable(2 * radius + 1);
    std::vector<quint64> scratch;
    for (int pass = 0; pass < passes; ++pass) {
        blurRows(image, radius, mean.data(), scratch);
        blurColumns(image, radius, mean.data(), scratch);
    }
}
