#include "platform/exit_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace pelora {

namespace {

constexpr int kCaughtSignals[] = {SIGINT, SIGTERM};

// The pipe the handler writes to: [0] is read on the event loop, [1] written by the handler.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[2];

extern "C" void onExitSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Nothing to do when the pipe is full: a signal is already waiting to be handled.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

ExitSignals::ExitSignals(std::function<void(int signal)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (g_pipe[0] != -1 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ExitSignals::readSignals);

    struct sigaction action {};
    action.sa_handler = onExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i) {
        ::sigaction(kCaughtSignals[i], &action, &g_previous[i]);
    }
}

ExitSignals::~ExitSignals() {
    if (!m_notifier) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        ::sigaction(kCaughtSignals[i], &g_previous[i], nullptr);
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
