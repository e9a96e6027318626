#pragma once

#include <chrono>
#include <optional>

namespace pelora {

// Tells the writer of a pseudo-terminal's device side (a COM port mapped to /dev/pts/N, the near
// end of a socat pair) whether the program on the other side takes what it is sent. The kernel
// says nothing of that side's queue (TIOCOUTQ reads 0 on a pseudo-terminal, and a flush from
// this side reaches only the part of the queue the reader's terminal has not taken in yet), but
// each read over there that empties its queue wakes the writers of this side: an edge on an
// epoll watch for room to write. The writer's own writes wake it too; those are taken away right
// after each write. A wake can be lost when the reader reads within the writer's own write, so a
// silent reader is asked again (a probe: the next line goes out) after kStallTime and then at
// gaps growing fourfold; a reader that has really stopped gets one line per gap, all of them
// whole, and the current ones as soon as it takes them.
class PtyReaderWatch {
public:
    using Clock = std::chrono::steady_clock;

    // How long lines go out without the reader being seen to take them: a tick's burst.
    static constexpr std::chrono::milliseconds kStallTime{250};
    // The gap before each further probe, as a multiple of the last one.
    static constexpr int kProbeGapGrowth = 4;

    PtyReaderWatch() = default;
    ~PtyReaderWatch();
    PtyReaderWatch(const PtyReaderWatch&) = delete;
    PtyReaderWatch& operator=(const PtyReaderWatch&) = delete;

    // Watches the open descriptor `fd` when it is the device side of a pseudo-terminal; returns
    // whether it watches. Stops an earlier watch first.
    bool watch(int fd);
    // Stops watching; before the descriptor closes.
    void stop();
    bool watching() const;

    // Whether a line may go out at `now`: the reader took what went before, or it is part of the
    // current burst, or it is the next probe.
    bool mayWrite(Clock::time_point now);
    // To be called right after every write that put bytes on the line.
    void wrote(Clock::time_point now);

private:
    bool readerWoke();

    int m_epoll = -1;
    std::optional<Clock::time_point> m_untakenSince;  // the first line not seen taken
    Clock::time_point m_lastWrite;
    Clock::duration m_probeGap = kStallTime;
};

}  // namespace pelora
