#pragma once

#include "platform/clock.h"

namespace pelora {

// The computer's own clocks: the local time from the operating system, the monotonic time
// from std::chrono::steady_clock.
class SystemClock final : public Clock {
public:
    LocalDateTime localNow() const override;
    std::chrono::milliseconds monotonicNow() const override;
};

}  // namespace pelora
