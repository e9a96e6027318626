#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/file_dialogs.h"
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

// File dialogs that answer with the names queued for them; an empty queue is a Cancel.
class QueuedFileDialogs final : public FileDialogs {
public:
    std::optional<std::string> saveFileName() override { return take(saveNames); }
    std::optional<std::string> openFileName() override { return take(openNames); }

    std::deque<std::string> saveNames;
    std::deque<std::string> openNames;

private:
    static std::optional<std::string> take(std::deque<std::string>& names) {
        if (names.empty()) {
            return std::nullopt;
        }
        std::string name = names.front();
        names.pop_front();
        return name;
    }
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
        services.fileDialogs = &fileDialogs;
        services.showError = [this](const std::string& message) { errors.push_back(message); };
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
    QueuedFileDialogs fileDialogs;
    std::vector<std::string> errors;
    std::unique_ptr<FRM_NMEA> window;
};

}  // namespace pelora::testing
