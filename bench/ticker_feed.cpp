// A stand-in for the program's tick on a serial line, for bench/tick-period --stand-in: a Qt
// event loop whose WallClockTicker writes, at each tick, one GLL line carrying the local time of
// day to the device named on the command line. Runs until SIGTERM or SIGINT.
//
//   bench_ticker_feed DEVICE [--qt-timer]      (--qt-timer: the ticker's QTimer fallback)
#include <QCoreApplication>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/exit_signals.h"
#include "platform/wall_clock_ticker.h"

namespace {

constexpr std::size_t kLineCapacity = 96;

// Writes the line one tick of the program would write: the clock is read at the tick.
void writeLine(int fd) {
    const time_t now = ::time(nullptr);
    tm local{};
    ::localtime_r(&now, &local);
    std::array<char, kLineCapacity> line{};
    const int length = std::snprintf(line.data(), line.size(), "$GPGLL,5430.0000,N,00115.0000,W,%02d%02d%02d,A\r\n",
                                     local.tm_hour, local.tm_min, local.tm_sec);
    // Like the program's port, never block the tick: a line the far end has no room for is lost.
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), static_cast<std::size_t>(length));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool qtTimer = argc == 3 && std::strcmp(argv[2], "--qt-timer") == 0;
    if (argc < 2 || argc > 3 || (argc == 3 && !qtTimer)) {
        std::fprintf(stderr, "usage: %s DEVICE [--qt-timer]\n", argv[0]);
        return 2;
    }
    const int fd = ::open(argv[1], O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", argv[0], argv[1], std::strerror(errno));
        return 1;
    }
    pelora::ExitSignals exitSignals([](int) { QCoreApplication::quit(); }, &app);
    pelora::WallClockTicker ticker(&app, qtTimer ? pelora::WallClockTicker::Mechanism::QtTimer
                                                 : pelora::WallClockTicker::Mechanism::TimerFd);
    if (ticker.mechanism() != pelora::WallClockTicker::Mechanism::TimerFd) {
        std::fprintf(stderr, "%s: ticking with a QTimer\n", argv[0]);
    }
    ticker.start([fd] { writeLine(fd); });
    const int status = QCoreApplication::exec();
    ::close(fd);
    return status;
}
