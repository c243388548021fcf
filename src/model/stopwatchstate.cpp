#include "stopwatchstate.h"

#include <algorithm>
#include <cmath>
#include <limits>

void StopwatchState::toggle(Instant now)
{
    if (!startedAt) {
        startedAt = now;
        return;
    }
    elapsed = std::max(0.0, elapsed + std::max(0.0, now.secondsSince(*startedAt)));
    startedAt.reset();
}

double StopwatchState::shownSeconds(Instant at) const
{
    double total = elapsed;
    if (startedAt)
        total += std::max(0.0, at.secondsSince(*startedAt));
    return std::max(0.0, total);
}

QString StopwatchState::format(double seconds)
{
    // Clamp so that absurd stored values cannot overflow the integer conversion.
    constexpr double maxTenths = 9.0e17;
    const double scaled = std::max(0.0, seconds) * 10.0;
    const qint64 tenths
        = static_cast<qint64>(std::isnan(scaled) ? 0.0 : std::min(scaled, maxTenths));
    return QString::asprintf("%02lld:%02lld.%lld", tenths / 600, (tenths / 10) % 60, tenths % 10);
}
