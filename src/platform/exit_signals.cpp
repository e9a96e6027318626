#include "platform/exit_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/owned_link.h"

namespace pelora {

namespace {

// The signals whose default action ends the process, sent from outside.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2, SIGALRM,
                                  SIGVTALRM, SIGPROF, SIGIO, SIGPWR,  SIGSTKFLT, SIGXCPU};
// Faults of the process itself: nothing may run after them but the removal of the links.
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS};

// The pipe the handler writes to: [0] is read on the event loop, [1] written by the handler.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[NSIG];
bool g_taken[NSIG] = {};

extern "C" void onEndingSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Nothing to do when the pipe is full: a signal is already waiting to be handled.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

extern "C" void onPipeSignal(int) {}

extern "C" void onFaultSignal(int signal, siginfo_t* info, void* context) {
    OwnedLink::releaseAllNow();
    const struct sigaction& previous = g_previous[signal];
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        previous.sa_sigaction(signal, info, context);
        return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    // The default action: a fault happens again on return, a signal sent by kill() is sent
    // again, and either ends the process as it would have without this handler.
    ::sigaction(signal, &previous, nullptr);
    ::raise(signal);
}

void take(int signal, const struct sigaction& action) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0) return;
    const bool isFault = action.sa_sigaction == onFaultSignal && (action.sa_flags & SA_SIGINFO) != 0;
    // An ignored signal stays ignored; a handler someone else put there stays, except that a
    // fault handler is put in front of it.
    const bool ignored = (current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_IGN;
    const bool someoneElses = (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL;
    if (ignored || (someoneElses && !isFault)) return;
    if (::sigaction(signal, &action, &g_previous[signal]) == 0) g_taken[signal] = true;
}

}  // namespace

ExitSignals::ExitSignals(std::function<void(int signal)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (g_pipe[0] != -1 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ExitSignals::readSignals);

    struct sigaction ending {};
    ending.sa_handler = onEndingSignal;
    sigemptyset(&ending.sa_mask);
    ending.sa_flags = SA_RESTART;
    for (const int signal : kEndingSignals) {
        take(signal, ending);
    }
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        take(signal, ending);
    }
    struct sigaction pipe = ending;
    pipe.sa_handler = onPipeSignal;
    take(SIGPIPE, pipe);
    struct sigaction fault {};
    fault.sa_sigaction = onFaultSignal;
    sigemptyset(&fault.sa_mask);
    fault.sa_flags = SA_SIGINFO;
    for (const int signal : kFaultSignals) {
        take(signal, fault);
    }
}

ExitSignals::~ExitSignals() {
    if (!m_notifier) {
        return;
    }
    for (int signal = 1; signal < NSIG; ++signal) {
        if (g_taken[signal]) {
            ::sigaction(signal, &g_previous[signal], nullptr);
            g_taken[signal] = false;
        }
    }
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool ExitSignals::installed() const {
    return m_notifier != nullptr;
}

void ExitSignals::readSignals() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        if (m_onSignal) {
            m_onSignal(byte);
        }
    }
}

}  // namespace pelora
