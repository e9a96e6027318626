#pragma once

#include <chrono>
#include <cstdint>

#include "sim/clock.h"

namespace pelora {

// A clock driven by simulated time, for scenarios: it starts at a given UTC instant and moves
// only when the caller says, by whole ticks of one second, or jumps by a clock step of the
// timeline. Local time equals UTC (so the same scenario gives the same bytes in any time zone);
// the monotonic reading counts the ticks only, so a clock step never moves the ship.
class SimulatedClock final : public Clock {
public:
    static constexpr std::chrono::milliseconds kTick{1000};

    // Requires a valid date and time (isValidDateTime).
    explicit SimulatedClock(const DateTime& startUtc);

    // One tick: the date, the time and the monotonic reading move on by one second.
    void tick();

    // A clock step: the date and time jump by `delta` (either way); the monotonic reading and
    // the elapsed ticks stay as they are.
    void step(std::chrono::seconds delta);

    DateTime localNow() const override { return utcNow(); }
    DateTime utcNow() const override;
    std::chrono::milliseconds monotonicNow() const override { return kTick * m_ticks; }

    // The simulated time since the start: the ticks so far, whatever the clock steps.
    std::chrono::seconds elapsed() const { return std::chrono::seconds(m_ticks); }

private:
    std::int64_t m_utcSeconds;  // since 1970-01-01T00:00:00
    std::int64_t m_ticks = 0;
};

}  // namespace pelora
