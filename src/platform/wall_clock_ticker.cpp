#include "platform/wall_clock_ticker.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>

namespace pelora {

namespace {

using std::chrono::nanoseconds;

nanoseconds readClock(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + nanoseconds(now.tv_nsec);
}

timespec toTimespec(nanoseconds time) {
    const auto whole = std::chrono::floor<std::chrono::seconds>(time);
    timespec result{};
    result.tv_sec = static_cast<time_t>(whole.count());
    result.tv_nsec = static_cast<long>((time - whole).count());
    return result;
}

// The first instant at or after `earliest` that lies kOffset after a whole second.
nanoseconds alignedInstant(nanoseconds earliest) {
    static_assert(WallClockTicker::kInterval == std::chrono::seconds(1), "the beat is one per wall-clock second");
    return std::chrono::ceil<std::chrono::seconds>(earliest - WallClockTicker::kOffset) + WallClockTicker::kOffset;
}

}  // namespace

WallClockTicker::WallClockTicker(QObject* parent, Mechanism wanted) : QObject(parent) {
    if (wanted == Mechanism::TimerFd) {
        m_timerFd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    }
    if (m_timerFd < 0) {
        fallBack();
        return;
    }
    m_notifier = new QSocketNotifier(m_timerFd, QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &WallClockTicker::onTimerFdReadable);
}

WallClockTicker::~WallClockTicker() {
    delete m_notifier;
    if (m_timerFd >= 0) {
        ::close(m_timerFd);
    }
}

void WallClockTicker::start(std::function<void()> onTick) {
    m_onTick = std::move(onTick);
    if (m_active) {
        return;  // the beat goes on: starting it afresh could skip a second
    }
    m_active = true;
    arm(alignedInstant(readClock(CLOCK_REALTIME) + kFirstTickAfter));
}

void WallClockTicker::stop() {
    m_active = false;
    m_onTick = nullptr;
    if (m_timerFd >= 0) {
        // Disarming also clears any expiry the event loop has not read yet.
        const itimerspec disarmed{};
        ::timerfd_settime(m_timerFd, 0, &disarmed, nullptr);
        m_notifier->setEnabled(false);
    }
    if (m_timer) {
        m_timer->stop();
    }
}

bool WallClockTicker::isActive() const {
    return m_active;
}

WallClockTicker::Mechanism WallClockTicker::mechanism() const {
    return m_timerFd >= 0 ? Mechanism::TimerFd : Mechanism::QtTimer;
}

void WallClockTicker::arm(nanoseconds deadline) {
    const nanoseconds realNow = readClock(CLOCK_REALTIME);
    m_deadline = deadline;
    m_deadlineMonotonic = readClock(CLOCK_MONOTONIC) + (deadline - realNow);
    if (m_timerFd >= 0) {
        itimerspec beat{};
        beat.it_interval = toTimespec(kInterval);
        beat.it_value = toTimespec(deadline);
        if (::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &beat, nullptr) == 0) {
            m_notifier->setEnabled(true);
            return;
        }
        // A kernel that knows no cancel-on-set (before Linux 3.0) refuses the deadline.
        fallBack();
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - realNow);
    m_timer->start(std::max(wait, std::chrono::milliseconds(0)));
}

void WallClockTicker::fallBack() {
    if (m_timerFd >= 0) {
        delete m_notifier;
        m_notifier = nullptr;
        ::close(m_timerFd);
        m_timerFd = -1;
    }
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &WallClockTicker::onTimerTimeout);
}

void WallClockTicker::onTimerFdReadable() {
    std::uint64_t expirations = 0;
    const ssize_t got = ::read(m_timerFd, &expirations, sizeof expirations);
    if (got == static_cast<ssize_t>(sizeof expirations)) {
        // The kernel moved the beat past the instants the loop missed: one tick stands for all.
        const nanoseconds passed = kInterval * static_cast<std::int64_t>(expirations);
        m_deadline += passed;
        m_deadlineMonotonic += passed;
        tick();
        return;
    }
    if (got < 0 && errno == ECANCELED) {
        // The wall clock was set. The read dropped any expiry it held, and the kernel does not
        // re-arm a periodic timerfd after that; a clock set back would also leave the deadline
        // far ahead. Aim at the next aligned instant of the new clock, and take a tick that fell
        // due by either clock.
        const bool due = readClock(CLOCK_REALTIME) >= m_deadline || readClock(CLOCK_MONOTONIC) >= m_deadlineMonotonic;
        arm(alignedInstant(readClock(CLOCK_REALTIME)));
        if (due) {
            tick();
        }
    }
    // EAGAIN: stop() cleared the expiry before the event loop came here.
}

void WallClockTicker::onTimerTimeout() {
    // A timer that fired a little early must not take the same instant twice. One that fired
    // more than a second late, or a wall clock set back meanwhile, goes on with the next
    // aligned instant of the clock as it reads now.
    const nanoseconds realNow = readClock(CLOCK_REALTIME);
    nanoseconds next = m_deadline + kInterval;
    if (next <= realNow || next - realNow > kInterval + kFirstTickAfter) {
        next = alignedInstant(realNow);
    }
    arm(next);
    tick();
}

void WallClockTicker::tick() {
    if (!m_active) {
        return;
    }
    // A copy: the call may stop() or start() the ticker, which replaces m_onTick.
    const std::function<void()> onTick = m_onTick;
    onTick();
}

}  // namespace pelora
