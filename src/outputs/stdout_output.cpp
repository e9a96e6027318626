#include "outputs/stdout_output.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QSocketNotifier>

namespace pelora {

namespace {

constexpr char kOwnDescription[] = "/proc/self/fd/1";

}  // namespace

StdoutOutput::StdoutOutput() = default;

StdoutOutput::~StdoutOutput() {
    stop();
}

std::optional<Failure> StdoutOutput::start() {
    stop();
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) != 0) {
        const Failure failure = systemFailure("Standard output cannot be written", errno);
        m_problem = failure.message();
        return failure;
    }
    m_problem.clear();
    if (S_ISREG(info.st_mode)) {
        m_fd = STDOUT_FILENO;
    } else if (S_ISSOCK(info.st_mode)) {
        m_fd = STDOUT_FILENO;
        m_socket = true;
    } else {
        // A description of its own: switching it to non-blocking leaves the shell's alone.
        m_fd = ::open(kOwnDescription, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        m_ownFd = m_fd >= 0;
        if (m_fd < 0) {
            const Failure failure = systemFailure("Standard output cannot be written", errno);
            m_problem = failure.message();
            return failure;
        }
    }
    return std::nullopt;
}

void StdoutOutput::stop() {
    m_writable.reset();
    if (m_ownFd) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_ownFd = m_socket = false;
    m_tail.clear();
}

OutputState StdoutOutput::state() const {
    return {m_fd >= 0 && m_problem.empty(), "standard output", m_problem, -1};
}

bool StdoutOutput::sendTail() {
    while (!m_tail.empty()) {
        const ssize_t sent = m_socket ? ::send(m_fd, m_tail.data(), m_tail.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
                                      : ::write(m_fd, m_tail.data(), m_tail.size());
        if (sent > 0) {
            m_tail.erase(0, static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        } else {
            fail(sent < 0 ? errno : EIO);
            return false;
        }
    }
    return true;
}

void StdoutOutput::fail(int error) {
    m_tail.clear();
    if (m_problem.empty()) {
        m_problem = (error == EPIPE ? Failure{"Standard output was closed by its reader", {}, error}
                                    : systemFailure("Standard output cannot be written", error))
                        .message();
        m_relay.notify(m_problem);
    }
}

void StdoutOutput::writeLine(std::string_view line) {
    if (m_fd < 0 || !m_problem.empty()) {
        return;
    }
    if (m_keepBacklog) {
        m_tail.append(line);
        const bool waiting = m_writable != nullptr && m_writable->isEnabled();
        if (!waiting && sendTail() && !m_tail.empty()) {
            // Sent on as the reader makes room.
            if (m_writable == nullptr) {
                m_writable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
                QObject::connect(m_writable.get(), &QSocketNotifier::activated, m_writable.get(), [this] {
                    if (!sendTail() || m_tail.empty()) m_writable->setEnabled(false);
                });
            }
            m_writable->setEnabled(true);
        }
        return;
    }
    // What is left of the last line goes first; while it waits, this line is dropped.
    if (!m_tail.empty() && (!sendTail() || !m_tail.empty())) {
        return;
    }
    m_tail.assign(line);
    const std::size_t length = m_tail.size();
    if (sendTail() && m_tail.size() == length) {
        m_tail.clear();  // nothing of it was taken: dropped whole rather than sent late
    }
}

}  // namespace pelora
