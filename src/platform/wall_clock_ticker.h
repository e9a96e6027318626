#pragma once

#include <QObject>

#include <chrono>
#include <functional>

#include "platform/ticker.h"

class QSocketNotifier;
class QTimer;

namespace pelora {

// The once-a-second beat, aligned to the wall clock: every tick comes kOffset after a whole
// second of the computer's real-time clock, so the time fields of consecutive sentences advance
// by exactly one second. A timerfd with absolute deadlines wakes the event loop within
// microseconds and tells when the wall clock is set; the beat then realigns at once to the new
// clock. A tick the event loop could not take in time (a stall, a suspend) is taken once, late,
// and the beat goes on with the next second: never a burst. Where the system has no such timerfd,
// a precise QTimer aims at the same instants, to the whole millisecond.
class WallClockTicker : public QObject, public Ticker {
    Q_OBJECT

public:
    // How long after each wall-clock second a tick comes.
    static constexpr std::chrono::milliseconds kOffset{100};
    // The first tick is the first aligned instant at least this long after start(), so it comes
    // between kFirstTickAfter and kFirstTickAfter + kInterval after start(): one second on average.
    static constexpr std::chrono::milliseconds kFirstTickAfter{500};

    enum class Mechanism {
        TimerFd,  // a timerfd on the real-time clock; falls back to QtTimer where there is none
        QtTimer,  // a single-shot precise QTimer aimed at each instant, to the whole millisecond
    };

    explicit WallClockTicker(QObject* parent = nullptr, Mechanism wanted = Mechanism::TimerFd);
    ~WallClockTicker() override;

    // A start() while ticking only replaces `onTick`: the beat keeps its place in the second.
    void start(std::function<void()> onTick) override;
    void stop() override;
    bool isActive() const override;

    // The mechanism that drives the ticks: QtTimer when it was wanted or no timerfd could be had.
    Mechanism mechanism() const;

private:
    // Aims the beat at `deadline` (real-time clock, since the epoch) and every second after it.
    void arm(std::chrono::nanoseconds deadline);
    // Leaves the timerfd for the QTimer for good.
    void fallBack();
    void onTimerFdReadable();
    void onTimerTimeout();
    void tick();

    std::function<void()> m_onTick;
    bool m_active = false;
    int m_timerFd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_timer = nullptr;
    // The instant the beat aims at next, on the real-time clock and as the monotonic clock read
    // it when it was armed: after the wall clock is set, either having passed means a tick is due.
    std::chrono::nanoseconds m_deadline{0};
    std::chrono::nanoseconds m_deadlineMonotonic{0};
};

}  // namespace pelora
