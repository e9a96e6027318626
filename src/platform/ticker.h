#pragma once

#include <chrono>
#include <functional>

namespace pelora {

// The once-a-second beat that drives the ticks (`Timer1`). Calls come on the user-interface
// thread, from the event loop, never from inside start() or stop().
class Ticker {
public:
    static constexpr std::chrono::milliseconds kInterval{1000};

    virtual ~Ticker() = default;

    // Calls `onTick` once a second from now on until stop(); a later start() replaces it.
    virtual void start(std::function<void()> onTick) = 0;
    // No call comes after stop() returns.
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

}  // namespace pelora
