#pragma once

#include "instant.h"

#include <QString>
#include <optional>

// A stopwatch keeps the moment its current run began, not a ticking counter, so a run
// survives hiding the overlay and restarting the app.
struct StopwatchState
{
    std::optional<Instant> startedAt;
    double elapsed = 0;

    bool isRunning() const { return startedAt.has_value(); }
    void toggle(Instant now);
    // Time to show at `at`; never negative.
    double shownSeconds(Instant at) const;
    // "MM:SS.t" with minutes unbounded: 3725.9 s is "62:05.9".
    static QString format(double seconds);

    bool operator==(const StopwatchState &) const = default;
};
