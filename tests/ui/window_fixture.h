#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "sim/random_source.h"
#include "ui/FRM_NMEA.h"

namespace pelora::testing {

// A clock that moves only when told to.
class FakeClock final : public Clock {
public:
    LocalDateTime localNow() const override { return local; }
    std::chrono::milliseconds monotonicNow() const override { return monotonic; }
    void advance(std::chrono::milliseconds step) { monotonic += step; }

    LocalDateTime local{2024, 6, 15, 12, 34, 56};
    std::chrono::milliseconds monotonic{50'000};
};

// Hands out a fixed sequence over and over and counts the draws.
class FixedRandom final : public RandomSource {
public:
    float next() override {
        const float value = values[draws % values.size()];
        ++draws;
        return value;
    }

    std::vector<float> values{0.25f, 0.5f, 0.75f, 0.125f};
    std::size_t draws = 0;
};

// A main window with fakes in place of the clock, the random source and the program's end.
// The real tick timer is stopped so that only the test decides when a step happens.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WindowServices services;
        services.clock = &clock;
        services.random = &random;
        services.leaveEventLoop = [this] { ++endings; };
        window = std::make_unique<FRM_NMEA>(services);
        window->Timer1()->stop();
    }

    template <typename T>
    T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    FakeClock clock;
    FixedRandom random;
    int endings = 0;
    std::unique_ptr<FRM_NMEA> window;
};

}  // namespace pelora::testing
