/* The timing end of bench/tick-period and bench/output-tick-period, kept small and in C so that
 * its own wake-ups add as little as possible to what it measures. Those scripts build it with cc
 * at run time.
 *
 *   tick_stamp read DEVICE
 *       Prints "open" once DEVICE is open, then for each line that arrives
 *       "MONOTONIC_NS REALTIME_NS TEXT", both clocks read as soon as poll() says the line's
 *       first byte is there.
 *   tick_stamp tcp PORT
 *       Connects to 127.0.0.1:PORT, prints "open LOCAL_PORT" (the port of its own end, by which
 *       the server's end of the connection can be found), then times the lines as `read` does.
 *   tick_stamp feed DEVICE OFFSET_MS
 *       Writes a GLL line carrying the local time of day to DEVICE at OFFSET_MS after every
 *       wall-clock second, sleeping to absolute deadlines: the best a writer can do, so what
 *       `read` measures of it is the floor of the measurement.
 *
 * All ask for real-time scheduling (SCHED_FIFO) and lock their memory; they say on standard
 * error when that is refused and go on. All run until SIGTERM or SIGINT, or until DEVICE or the
 * connection closes.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

enum { kReaderPriority = 50, kFeederPriority = 45, kLineMax = 512 };
static const long kNanosPerSecond = 1000000000L;
static const long kNanosPerMilli = 1000000L;

static volatile sig_atomic_t g_stop = 0;

static void onStop(int signal) {
    (void)signal;
    g_stop = 1;
}

static void becomeRealTime(int priority) {
    struct sched_param param;
    memset(&param, 0, sizeof param);
    param.sched_priority = priority;
    if (sched_setscheduler(0, SCHED_FIFO, &param) != 0) {
        fprintf(stderr, "tick_stamp: no real-time scheduling (%s); timing at normal priority\n", strerror(errno));
    }
    if (mlockall(MCL_CURRENT | MCL_FUTURE) != 0) {
        fprintf(stderr, "tick_stamp: memory not locked (%s)\n", strerror(errno));
    }
}

static void catchStop(void) {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, NULL);
    sigaction(SIGINT, &action, NULL);
}

static long long nanosOf(clockid_t clock) {
    struct timespec now;
    clock_gettime(clock, &now);
    return (long long)now.tv_sec * kNanosPerSecond + now.tv_nsec;
}

/* Prints each line arriving on fd with the instants its first byte was there, until the far end
 * closes or a stop is asked for; closes fd. */
static int stampLines(int fd) {
    char line[kLineMax];
    size_t length = 0;
    long long lineMonotonic = 0;
    long long lineReal = 0;
    struct pollfd watch = {fd, POLLIN, 0};
    while (!g_stop) {
        if (poll(&watch, 1, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        const long long monotonic = nanosOf(CLOCK_MONOTONIC);
        const long long real = nanosOf(CLOCK_REALTIME);
        char chunk[4096];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (got <= 0) {
            break;  // the far end closed (EIO on a pseudo-terminal)
        }
        for (ssize_t i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c == '\r' || c == '\n') {
                if (c == '\n' && length > 0) {
                    printf("%lld %lld %.*s\n", lineMonotonic, lineReal, (int)length, line);
                    length = 0;
                }
                continue;
            }
            if (length == 0) {
                lineMonotonic = monotonic;
                lineReal = real;
            }
            if (length < sizeof line) {
                line[length++] = c;
            }
        }
    }
    close(fd);
    return 0;
}

static int readDevice(const char* device) {
    const int fd = open(device, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "tick_stamp: cannot open %s: %s\n", device, strerror(errno));
        return 1;
    }
    struct termios raw;
    if (tcgetattr(fd, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
    }
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("open\n");
    return stampLines(fd);
}

/* Only this computer's loopback address: the helper is a client of a server on this machine. */
static int readTcp(const char* portText) {
    char* end = NULL;
    const long port = strtol(portText, &end, 10);
    if (*portText == '\0' || *end != '\0' || port < 1 || port > 65535) {
        fprintf(stderr, "tick_stamp: the port is 1 to 65535\n");
        return 2;
    }
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        fprintf(stderr, "tick_stamp: no socket: %s\n", strerror(errno));
        return 1;
    }
    struct sockaddr_in server;
    memset(&server, 0, sizeof server);
    server.sin_family = AF_INET;
    server.sin_port = htons((unsigned short)port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (const struct sockaddr*)&server, sizeof server) != 0) {
        fprintf(stderr, "tick_stamp: cannot connect to 127.0.0.1:%ld: %s\n", port, strerror(errno));
        close(fd);
        return 1;
    }
    struct sockaddr_in local;
    socklen_t localLength = sizeof local;
    if (getsockname(fd, (struct sockaddr*)&local, &localLength) != 0) {
        fprintf(stderr, "tick_stamp: no local address: %s\n", strerror(errno));
        close(fd);
        return 1;
    }
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("open %u\n", (unsigned)ntohs(local.sin_port));
    return stampLines(fd);
}

static int feedLines(const char* device, long offsetMs) {
    const int fd = open(device, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "tick_stamp: cannot open %s: %s\n", device, strerror(errno));
        return 1;
    }
    struct timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += 1;
    deadline.tv_nsec = offsetMs * kNanosPerMilli;
    while (!g_stop) {
        const int slept = clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &deadline, NULL);
        if (slept == EINTR) {
            continue;
        }
        const time_t now = time(NULL);
        struct tm local;
        localtime_r(&now, &local);
        char text[kLineMax];
        const int length = snprintf(text, sizeof text, "$GPGLL,5430.0000,N,00115.0000,W,%02d%02d%02d,A\r\n",
                                    local.tm_hour, local.tm_min, local.tm_sec);
        if (write(fd, text, (size_t)length) < 0 && errno != EAGAIN) {
            break;
        }
        /* The next second still to come, so that a late wake-up never writes twice at once. */
        struct timespec reading;
        clock_gettime(CLOCK_REALTIME, &reading);
        deadline.tv_sec = reading.tv_sec + (reading.tv_nsec >= deadline.tv_nsec ? 1 : 0);
    }
    close(fd);
    return 0;
}

int main(int argc, char** argv) {
    catchStop();
    if (argc == 3 && strcmp(argv[1], "read") == 0) {
        becomeRealTime(kReaderPriority);
        return readDevice(argv[2]);
    }
    if (argc == 3 && strcmp(argv[1], "tcp") == 0) {
        becomeRealTime(kReaderPriority);
        return readTcp(argv[2]);
    }
    if (argc == 4 && strcmp(argv[1], "feed") == 0) {
        const long offsetMs = strtol(argv[3], NULL, 10);
        if (offsetMs < 0 || offsetMs >= 1000) {
            fprintf(stderr, "tick_stamp: the offset is 0 to 999 ms\n");
            return 2;
        }
        becomeRealTime(kFeederPriority);
        return feedLines(argv[2], offsetMs);
    }
    fprintf(stderr, "usage: tick_stamp read DEVICE | tick_stamp tcp PORT | tick_stamp feed DEVICE OFFSET_MS\n");
    return 2;
}
