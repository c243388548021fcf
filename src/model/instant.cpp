#include "instant.h"

#include <chrono>
#include <cmath>

Instant Instant::now()
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<microseconds>(system_clock::now().time_since_epoch());
    return fromUnixSeconds(static_cast<double>(sinceEpoch.count()) / 1e6);
}

Instant Instant::fromDateTime(const QDateTime &dateTime)
{
    return fromUnixSeconds(static_cast<double>(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

QDateTime Instant::toDateTime() const
{
    return QDateTime::fromMSecsSinceEpoch(
        static_cast<qint64>(std::llround(unixSeconds() * 1000.0)));
}
