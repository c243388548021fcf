#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Figures of the machine, each a fraction in [0, 1] or absent when it cannot be read.
// Parsing is kept apart from reading so that fixture text and folders can stand in for
// /proc and /sys.

namespace SystemMetrics {

inline constexpr char meminfoPath[] = "/proc/meminfo";

// (MemTotal - MemAvailable) / MemTotal from the text of /proc/meminfo, clamped to [0, 1].
std::optional<double> parseMeminfo(const QByteArray &text);
std::optional<double> memoryUsedFraction(const QString &path = QString::fromLatin1(meminfoPath));

} // namespace SystemMetrics

namespace PowerSource {

inline constexpr char powerSupplyRoot[] = "/sys/class/power_supply";

// current / max, with a maximum of 0 or less absent, and the result clamped to [0, 1].
std::optional<double> capacityFraction(double current, double maximum);
// The charge of the first entry under `root`, in natural order of names (BAT2 before
// BAT10), whose type is "Battery" and whose scope, if given, is "System".
std::optional<double> currentCapacity(const QString &root = QString::fromLatin1(powerSupplyRoot));

} // namespace PowerSource

namespace StorageMetrics {

// Free bytes / total bytes, absent when the total is 0 or less.
std::optional<double> freeFraction(double freeBytes, double totalBytes);
// The free share of the volume that holds `path`, as an unprivileged user may use it.
std::optional<double> freeFraction(const QString &path);

} // namespace StorageMetrics

namespace PowerSource {

// Below this charge the battery bar turns red; the threshold itself is still green.
inline constexpr double lowChargeThreshold = 0.2;
inline bool isLowCharge(double fraction)
{
    return fraction < lowChargeThreshold;
}

} // namespace PowerSource

// Where the system and battery faces read their figures; tests point it at fixtures.
struct MachineSources
{
    QString meminfo = QString::fromLatin1(SystemMetrics::meminfoPath);
    QString powerSupplyRoot = QString::fromLatin1(PowerSource::powerSupplyRoot);
    // The volume holding this folder is the storage figure; empty means the home folder.
    QString storageFolder;
};
