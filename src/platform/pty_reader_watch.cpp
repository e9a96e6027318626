#include "platform/pty_reader_watch.h"

#include <linux/major.h>
#include <sys/epoll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>

namespace pelora {
namespace {

constexpr unsigned kFirstPtyDeviceMajor = UNIX98_PTY_SLAVE_MAJOR;
constexpr unsigned kPtyDeviceMajors = UNIX98_PTY_MAJOR_COUNT;
constexpr int kWokenAtOnce = 4;

bool isPtyDeviceSide(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const unsigned deviceMajor = major(info.st_rdev);
    return deviceMajor >= kFirstPtyDeviceMajor && deviceMajor < kFirstPtyDeviceMajor + kPtyDeviceMajors;
}

}  // namespace

PtyReaderWatch::~PtyReaderWatch() { stop(); }

bool PtyReaderWatch::watch(int fd) {
    stop();
    if (!isPtyDeviceSide(fd)) return false;
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLOUT | EPOLLET;
    event.data.fd = fd;
    if (m_epoll < 0 || ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
        stop();
        return false;
    }
    readerWoke();  // the watch starts with an edge of its own
    return true;
}

void PtyReaderWatch::stop() {
    if (m_epoll >= 0) {
        ::close(m_epoll);
        m_epoll = -1;
    }
    m_unconfirmed = 0;
    m_burstStart = {};
    m_probeGap = kBurstTime;
}

bool PtyReaderWatch::watching() const { return m_epoll >= 0; }

bool PtyReaderWatch::readerWoke() {
    std::array<epoll_event, kWokenAtOnce> events{};
    return ::epoll_wait(m_epoll, events.data(), kWokenAtOnce, 0) > 0;
}

bool PtyReaderWatch::mayWrite(Clock::time_point now) {
    if (readerWoke()) {
        m_unconfirmed = 0;
        m_probeGap = kBurstTime;
    }
    if (now - m_burstStart < kBurstTime || m_unconfirmed < kUnconfirmedBursts) return true;
    // Stopped: a probe once its gap has passed (give or take a burst, as ticks jitter).
    if (now - m_lastWrite + kBurstTime < m_probeGap) return false;
    m_probeGap *= kProbeGapGrowth;
    return true;
}

void PtyReaderWatch::wrote(Clock::time_point now) {
    readerWoke();  // the write's own wake
    if (now - m_burstStart >= kBurstTime) {
        m_burstStart = now;
        ++m_unconfirmed;
    }
    m_lastWrite = now;
}

}  // namespace pelora
