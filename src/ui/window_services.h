#pragma once

#include <functional>

#include "platform/clock.h"
#include "sim/random_source.h"

namespace pelora {

// The outside services the main window uses, handed over when the window is created so that
// tests can put fakes in their place. A service left empty is replaced by the real one
// (the system clock, the program's random generator, leaving the application's event loop).
// The window does not own what the pointers refer to; it must outlive the window.
struct WindowServices {
    Clock* clock = nullptr;          // local time for the sentences, monotonic time between steps
    RandomSource* random = nullptr;  // sea state and GPS noise draws
    std::function<void()> leaveEventLoop;  // ends the program once the port is closed
};

}  // namespace pelora
