#pragma once

#include <chrono>

#include "sim/date_time.h"

namespace pelora {

// The clocks a tick reads. The local (or UTC) date and time go into the sentences; the
// monotonic reading measures the time between two steps, so that a change of the wall clock
// (summer time, a time server) never moves the ship backwards or makes it jump.
class Clock {
public:
    virtual ~Clock() = default;

    // One reading of the computer's local calendar date and time of day.
    virtual DateTime localNow() const = 0;

    // One reading of the date and time of day in UTC.
    virtual DateTime utcNow() const = 0;

    // Milliseconds on a clock that only ever moves forward, from an arbitrary origin.
    // Successive readings never decrease.
    virtual std::chrono::milliseconds monotonicNow() const = 0;
};

}  // namespace pelora
