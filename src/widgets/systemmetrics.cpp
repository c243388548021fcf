#include "systemmetrics.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <sys/statvfs.h>

namespace {

// The value of "Key:   1234 kB", or absent when the key is missing or its number does not parse.
std::optional<double> meminfoValue(const QByteArray &text, QByteArrayView key)
{
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf('\n', from);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = QByteArrayView(text).sliced(from, end - from);
        if (line.startsWith(key) && line.size() > key.size() && line.at(key.size()) == ':') {
            QByteArray number = line.sliced(key.size() + 1).trimmed().toByteArray();
            if (number.endsWith(" kB"))
                number.chop(3);
            bool ok = false;
            const double value = number.trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(value))
                return std::nullopt;
            return value;
        }
        from = end + 1;
    }
    return std::nullopt;
}

std::optional<QByteArray> readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // sysfs and procfs report a size of 0 or 4096, so read to the end rather than by size.
    return file.read(64 * 1024);
}

std::optional<double> readNumber(const QString &path)
{
    const std::optional<QByteArray> text = readSmallFile(path);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const double value = text->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double clampedFraction(double fraction)
{
    if (std::isnan(fraction) || fraction < 0)
        return 0;
    return std::min(fraction, 1.0);
}

} // namespace

namespace SystemMetrics {

std::optional<double> parseMeminfo(const QByteArray &text)
{
    const std::optional<double> total = meminfoValue(text, "MemTotal");
    const std::optional<double> available = meminfoValue(text, "MemAvailable");
    if (!total || !available || !(*total > 0))
        return std::nullopt;
    return clampedFraction((*total - *available) / *total);
}

std::optional<double> memoryUsedFraction(const QString &path)
{
    const std::optional<QByteArray> text = readSmallFile(path);
    if (!text)
        return std::nullopt;
    return parseMeminfo(*text);
}

} // namespace SystemMetrics

namespace PowerSource {

std::optional<double> capacityFraction(double current, double maximum)
{
    if (!(maximum > 0))
        return std::nullopt;
    return clampedFraction(current / maximum);
}

namespace {

// Natural order of names: digit runs compare as numbers, so BAT2 comes before BAT10.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a.at(endA).isDigit())
                ++endA;
            while (endB < b.size() && b.at(endB).isDigit())
                ++endB;
            // Without leading zeros the longer run is the larger number.
            QStringView runA = QStringView(a).mid(i, endA - i);
            QStringView runB = QStringView(b).mid(j, endB - j);
            while (runA.size() > 1 && runA.front() == u'0')
                runA = runA.mid(1);
            while (runB.size() > 1 && runB.front() == u'0')
                runB = runB.mid(1);
            if (runA.size() != runB.size())
                return runA.size() < runB.size();
            if (const int order = runA.compare(runB); order != 0)
                return order < 0;
            i = endA;
            j = endB;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

std::optional<double> currentCapacity(const QString &root)
{
    const QDir folder(root);
    QStringList entries = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    std::sort(entries.begin(), entries.end(), naturalLess);
    for (const QString &entry : entries) {
        const QString base = folder.filePath(entry) + QLatin1Char('/');
        const std::optional<QByteArray> type = readSmallFile(base + QLatin1String("type"));
        if (!type || type->trimmed() != "Battery")
            continue;
        // A wireless mouse or keyboard reports its own battery with scope "Device".
        const std::optional<QByteArray> scope = readSmallFile(base + QLatin1String("scope"));
        if (scope && !scope->trimmed().isEmpty() && scope->trimmed() != "System")
            continue;

        // Only the first battery counts; the first pair of figures it has decides.
        static constexpr std::pair<const char *, const char *> pairs[]
            = {{"energy_now", "energy_full"}, {"charge_now", "charge_full"}};
        for (const auto &[now, full] : pairs) {
            const std::optional<double> current = readNumber(base + QLatin1String(now));
            const std::optional<double> maximum = readNumber(base + QLatin1String(full));
            if (current && maximum)
                return capacityFraction(*current, *maximum);
        }
        if (const std::optional<double> percent = readNumber(base + QLatin1String("capacity")))
            return capacityFraction(*percent, 100);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace PowerSource

namespace StorageMetrics {

std::optional<double> freeFraction(double freeBytes, double totalBytes)
{
    if (!(totalBytes > 0))
        return std::nullopt;
    return clampedFraction(freeBytes / totalBytes);
}

std::optional<double> freeFraction(const QString &path)
{
    struct statvfs info
    {
    };
    if (path.isEmpty() || statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const double blockSize = static_cast<double>(info.f_frsize);
    return freeFraction(static_cast<double>(info.f_bavail) * blockSize,
        static_cast<double>(info.f_blocks) * blockSize);
}

} // namespace StorageMetrics
