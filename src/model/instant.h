#pragma once

#include <QDateTime>
#include <compare>

// A moment in time as seconds since 2001-01-01 00:00:00 UTC, the stored form of every
// date. Kept as a double so that fractions survive a round trip through the store.
struct Instant
{
    double sinceReferenceDate = 0;

    // The epoch arrangements have always been stored with; changing it would move every
    // stored date.
    static constexpr double referenceUnixSeconds = 978307200.0;

    static Instant now();
    static Instant fromUnixSeconds(double seconds) { return {seconds - referenceUnixSeconds}; }
    static Instant fromDateTime(const QDateTime &dateTime);

    double unixSeconds() const { return sinceReferenceDate + referenceUnixSeconds; }
    // Millisecond precision, which is all QDateTime keeps.
    QDateTime toDateTime() const;
    Instant addingSeconds(double seconds) const { return {sinceReferenceDate + seconds}; }
    double secondsSince(Instant other) const
    {
        return sinceReferenceDate - other.sinceReferenceDate;
    }

    friend auto operator<=>(const Instant &, const Instant &) = default;
};
