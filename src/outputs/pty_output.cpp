#include "outputs/pty_output.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace pelora {

namespace {

constexpr char kLinkName[] = "ttyNMEA";
constexpr std::size_t kDevicePathLength = 128;
constexpr std::size_t kDrainChunkBytes = 512;

std::string systemError(int error) {
    return qt_error_string(error).toStdString();
}

std::string cannotUse(const std::string& link, const std::string& reason) {
    return "The virtual serial port cannot use " + link + ": " + reason + ".";
}

void setCloseOnExec(int fd) {
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

void closeIfOpen(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

std::string defaultPtyLink() {
    return runtimeFolder() + "/" + kLinkName;
}

PtyOutput::PtyOutput(std::string link, QObject* parent) : QObject(parent), m_endpointLink(std::move(link)) {
    connect(this, &PtyOutput::statusChanged, this, [this](const QString& problem) { m_relay.notify(problem.toStdString()); });
}

std::string PtyOutput::endpoint() const {
    return "pty:" + m_endpointLink;
}

std::optional<Failure> PtyOutput::start() {
    const std::string problem = start(m_endpointLink);
    if (problem.empty()) {
        return std::nullopt;
    }
    return Failure{{}, problem, 0};
}

PtyOutput::~PtyOutput() {
    stop();
}

std::string PtyOutput::start(const std::string& link) {
    stop();
    m_link = link;
    m_problem = makePort(link);
    if (!m_problem.empty()) {
        closeEverything();
    }
    return m_problem;
}

std::string PtyOutput::makePort(const std::string& link) {
    OwnedLink::removeStale();
    std::string reason = m_owned.claim(link);
    if (reason.empty()) {
        reason = openTerminal();
    }
    if (reason.empty()) {
        reason = m_owned.place(m_device);
    }
    return reason.empty() ? std::string() : cannotUse(link, reason);
}

std::string PtyOutput::openTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0) {
        return "cannot make a pseudo-terminal: " + systemError(errno);
    }
    setCloseOnExec(m_master);
    std::array<char, kDevicePathLength> name{};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name.data(), name.size()) != 0) {
        return "cannot make a pseudo-terminal: " + systemError(errno);
    }
    m_device = name.data();
    m_deviceFd = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios mode {};
    if (m_deviceFd < 0 || ::tcgetattr(m_deviceFd, &mode) != 0) {
        return "cannot open " + m_device + ": " + systemError(errno);
    }
    ::cfmakeraw(&mode);
    if (::tcsetattr(m_deviceFd, TCSANOW, &mode) != 0) {
        return "cannot set " + m_device + " to raw mode: " + systemError(errno);
    }
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyOutput::drainConsumerBytes);
    return {};
}

void PtyOutput::stop() {
    closeEverything();
    m_problem.clear();
}

void PtyOutput::closeEverything() {
    m_owned.release();
    delete m_notifier;
    m_notifier = nullptr;
    closeIfOpen(m_deviceFd);
    closeIfOpen(m_master);
    m_device.clear();
}

void PtyOutput::writeLine(std::string_view line) {
    if (!isOn()) {
        return;
    }
    // Whatever the reader has not taken of the last tick is thrown away when a tick begins,
    // including what the system has not yet handed on to the device side (which reading the
    // unread count would miss when writes come close together); a tick's lines stay together.
    if (m_tickBegins) {
        ::tcflush(m_deviceFd, TCIFLUSH);
        m_tickBegins = false;
    }
    const ssize_t written = ::write(m_master, line.data(), line.size());
    if (written >= 0 || errno == EAGAIN) {
        // A full terminal (a line longer than it holds) loses the line, like an absent reader.
        if (!m_problem.empty()) {
            m_problem.clear();
            emit statusChanged(QString());
        }
        return;
    }
    if (m_problem.empty()) {
        m_problem = cannotUse(m_link, "writing to " + m_device + " failed: " + systemError(errno));
        emit statusChanged(QString::fromStdString(m_problem));
    }
}

void PtyOutput::drainConsumerBytes() {
    std::array<char, kDrainChunkBytes> buffer{};
    ssize_t got = 0;
    while ((got = ::read(m_master, buffer.data(), buffer.size())) > 0) {
    }
    if (got < 0 && errno != EAGAIN && errno != EINTR && m_notifier != nullptr) {
        // Nothing more will come (the device side is held open, so this is not expected).
        m_notifier->setEnabled(false);
    }
}

bool PtyOutput::isOn() const {
    return m_master >= 0 && m_deviceFd >= 0 && m_owned.placed() && !m_device.empty();
}

OutputState PtyOutput::state() const {
    return {isOn(), m_link.empty() ? m_endpointLink : m_link, m_problem, -1};
}

const std::string& PtyOutput::devicePath() const {
    return m_device;
}

}  // namespace pelora
