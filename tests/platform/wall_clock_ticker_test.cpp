#include "platform/wall_clock_ticker.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <time.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace pelora {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// Where in the wall-clock second the beat comes, as users rely on it (their consumers time the
// sentences from it): 100 ms after the second.
constexpr milliseconds kPhase{100};
// How far from kPhase past the wall-clock second a tick may come on a busy machine: the
// event loop's thread may wait several milliseconds for a core. A beat at no fixed place in the
// second passes three ticks in a row within this only by a rare chance.
constexpr milliseconds kPhaseTolerance{15};
// How soon after the event loop runs again a tick that fell due while it was held must come.
constexpr milliseconds kPromptly{50};

nanoseconds readClock(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + nanoseconds(now.tv_nsec);
}

// Where in its wall-clock second a real-time clock reading lies.
milliseconds phaseOf(nanoseconds real) {
    return std::chrono::duration_cast<milliseconds>(real - std::chrono::floor<std::chrono::seconds>(real));
}

long long wholeSecondOf(nanoseconds real) {
    return std::chrono::floor<std::chrono::seconds>(real).count();
}

// The clocks read at each tick, and an event loop that runs until enough ticks have come.
struct TickLog {
    std::vector<nanoseconds> real;
    std::vector<nanoseconds> monotonic;
    std::size_t wanted = 0;
    QEventLoop* loop = nullptr;
    std::function<void()> atTick;

    std::function<void()> recorder() {
        return [this] {
            real.push_back(readClock(CLOCK_REALTIME));
            monotonic.push_back(readClock(CLOCK_MONOTONIC));
            if (atTick) {
                atTick();
            }
            if (loop && real.size() >= wanted) {
                loop->quit();
            }
        };
    }

    // Runs the event loop until `count` ticks in all have come or `timeout` has passed.
    void runUntil(std::size_t count, milliseconds timeout) {
        QEventLoop eventLoop;
        wanted = count;
        loop = &eventLoop;
        QTimer::singleShot(timeout, &eventLoop, &QEventLoop::quit);
        if (real.size() < count) {
            eventLoop.exec();
        }
        loop = nullptr;
    }
};

void expectOnTheBeat(const TickLog& log, std::size_t from) {
    for (std::size_t i = from; i < log.real.size(); ++i) {
        EXPECT_NEAR(phaseOf(log.real[i]).count(), kPhase.count(), kPhaseTolerance.count())
            << "tick " << i;
        if (i > 0) {
            EXPECT_EQ(wholeSecondOf(log.real[i]) - wholeSecondOf(log.real[i - 1]), 1) << "tick " << i;
        }
    }
}

struct BeatRow {
    std::string name;
    WallClockTicker::Mechanism mechanism;
};

void PrintTo(const BeatRow& row, std::ostream* out) {
    *out << row.name;
}

class WallClockTickerBeatTest : public ::testing::TestWithParam<BeatRow> {};

TEST_P(WallClockTickerBeatTest, TicksOnceEachWallClockSecondAtTheOffsetUntilStopped) {
    WallClockTicker ticker(nullptr, GetParam().mechanism);
    ASSERT_EQ(ticker.mechanism(), GetParam().mechanism);
    TickLog log;
    log.atTick = [&] {
        if (log.real.size() == 3) {
            ticker.stop();
        }
    };
    const nanoseconds started = readClock(CLOCK_MONOTONIC);
    ticker.start(log.recorder());
    EXPECT_TRUE(ticker.isActive());
    log.runUntil(3, 4s);
    ASSERT_EQ(log.real.size(), 3U);
    EXPECT_FALSE(ticker.isActive());

    const nanoseconds firstAfter = log.monotonic[0] - started;
    EXPECT_GE(firstAfter, WallClockTicker::kFirstTickAfter);
    EXPECT_LE(firstAfter, WallClockTicker::kFirstTickAfter + WallClockTicker::kInterval + kPhaseTolerance);
    expectOnTheBeat(log, 0);

    log.runUntil(4, 1200ms);
    EXPECT_EQ(log.real.size(), 3U) << "a tick came after stop()";
}

INSTANTIATE_TEST_SUITE_P(Mechanisms, WallClockTickerBeatTest,
                         ::testing::Values(BeatRow{"TimerFd", WallClockTicker::Mechanism::TimerFd},
                                           BeatRow{"QtTimerFallback", WallClockTicker::Mechanism::QtTimer}),
                         [](const auto& info) { return info.param.name; });

// The event loop is held past one or more instants after the first tick, then runs again.
struct HeldLoopRow {
    std::string name;
    milliseconds heldPastFirstTick;
    bool setWallClockWhileHeld;
};

void PrintTo(const HeldLoopRow& row, std::ostream* out) {
    *out << row.name;
}

class WallClockTickerHeldLoopTest : public ::testing::TestWithParam<HeldLoopRow> {};

TEST_P(WallClockTickerHeldLoopTest, TakesTheTickDueOnceAndGoesOnWithTheNextSecond) {
    const HeldLoopRow& row = GetParam();
    WallClockTicker ticker;
    ASSERT_EQ(ticker.mechanism(), WallClockTicker::Mechanism::TimerFd);
    TickLog log;
    ticker.start(log.recorder());
    log.runUntil(1, 2s);
    ASSERT_EQ(log.real.size(), 1U);

    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(log.monotonic[0] + row.heldPastFirstTick)));
    if (row.setWallClockWhileHeld) {
        // Setting the clock to its own reading steps it by microseconds, yet every timerfd
        // that asked to hear of it is told the clock was set.
        const timespec now = [] {
            timespec reading{};
            ::clock_gettime(CLOCK_REALTIME, &reading);
            return reading;
        }();
        if (::clock_settime(CLOCK_REALTIME, &now) != 0) {
            GTEST_SKIP() << "the wall clock cannot be set here: " << std::strerror(errno);
        }
    }
    const nanoseconds resumed = readClock(CLOCK_MONOTONIC);
    log.runUntil(3, 2s);

    ASSERT_EQ(log.real.size(), 3U);
    EXPECT_LT(log.monotonic[1] - resumed, kPromptly) << "the tick that fell due came late or not at all";
    // The next tick keeps the beat, at the offset after the second that follows the late one,
    // rather than coming at once for an instant that was missed (a burst).
    expectOnTheBeat(log, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Holds, WallClockTickerHeldLoopTest,
    ::testing::Values(HeldLoopRow{"StalledOverTwoSeconds", 2200ms, false},
                      HeldLoopRow{"WallClockSetAfterAnInstantPassed", 1030ms, true}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pelora
