#pragma once

#include <chrono>

namespace pelora {

// Tells the writer of a pseudo-terminal's device side (a COM port mapped to /dev/pts/N, the near
// end of a socat pair) whether the program on the other side takes what it is sent. The kernel
// says nothing of that side's queue (TIOCOUTQ reads 0 on a pseudo-terminal, and a flush from
// this side reaches only what the reader's terminal has not taken in yet, never its own 4 KiB),
// but each read over there that empties the queue wakes the writers of this side: an edge on an
// epoll watch for room to write. The writer's own writes wake it too; that wake is taken away
// right after each write, and when the reader reads within that moment (the writer preempted,
// a busy machine) its wake is lost with it. So a missing wake is only a hint: the reader counts
// as stopped after kUnconfirmedBursts bursts in a row without one, which a reader that reads
// never reaches; from then on a line goes out only as a probe, at gaps growing fourfold from
// kBurstTime, and every line goes out again as soon as the reader is seen to take one. A reader
// that stops for minutes gets, when it comes back, those bursts and a few probes, all whole,
// then the current lines.
class PtyReaderWatch {
public:
    using Clock = std::chrono::steady_clock;

    // Lines written within this time of the first belong to one burst (one tick's lines).
    static constexpr std::chrono::milliseconds kBurstTime{100};
    // Bursts in a row without a wake from the reader before it counts as stopped.
    static constexpr int kUnconfirmedBursts = 8;
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

    // Whether a line may go out at `now`.
    bool mayWrite(Clock::time_point now);
    // To be called right after every write that put bytes on the line.
    void wrote(Clock::time_point now);

private:
    bool readerWoke();

    int m_epoll = -1;
    int m_unconfirmed = 0;  // bursts written since the reader was last seen taking
    Clock::time_point m_burstStart;
    Clock::time_point m_lastWrite;
    Clock::duration m_probeGap = kBurstTime;
};

}  // namespace pelora
