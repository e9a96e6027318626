#pragma once

#include "sim/clock.h"

namespace pelora {

// The computer's own clocks: local time and UTC from the operating system, the monotonic time
// from std::chrono::steady_clock.
class SystemClock final : public Clock {
public:
    DateTime localNow() const override;
    DateTime utcNow() const override;
    std::chrono::milliseconds monotonicNow() const override;
};

}  // namespace pelora
