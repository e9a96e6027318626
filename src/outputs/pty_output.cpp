#include "outputs/pty_output.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "text/text.h"

namespace pelora {

namespace {

constexpr char kLinkName[] = "ttyNMEA";
constexpr char kLockSuffix[] = ".lock";
constexpr char kNewLinkSuffix[] = ".new";
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kLockFileMode = 0600;
// A lock file removed by its owner between our open and our lock is opened again, a few times.
constexpr int kLockAttempts = 3;
constexpr std::size_t kDevicePathLength = 128;
constexpr std::size_t kDrainChunkBytes = 512;

std::string systemError(int error) {
    return qt_error_string(error).toStdString();
}

std::string cannotUse(const std::string& link, const std::string& reason) {
    return "The virtual serial port cannot use " + link + ": " + reason + ".";
}

// Creates every missing folder of `folder` with mode 0700. Returns "" or the reason.
std::string makeFolder(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) {
            return "cannot create the folder " + part + ": " + systemError(errno);
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return folder + " is not a folder";
    }
    return {};
}

// A folder inside a folder that everybody may write to (such as /tmp) could have been made by
// anybody: it is used only when it is this user's own and closed to others.
std::string checkPrivate(const std::string& folder) {
    struct stat parent {};
    if (::stat(folderOf(folder).c_str(), &parent) != 0 || (parent.st_mode & S_IWOTH) == 0) {
        return {};
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "the folder " + folder + " is not private to this user";
    }
    return {};
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
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        std::string folder(runtime);
        while (!folder.empty() && folder.back() == '/') {
            folder.pop_back();
        }
        return folder + "/pelora/" + kLinkName;
    }
    return "/tmp/pelora-" + std::to_string(::geteuid()) + "/" + kLinkName;
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
    if (link.size() < 2 || link.front() != '/' || link.back() == '/') {
        return cannotUse(link, "the link must be an absolute path ending in a name");
    }
    const std::string folder = folderOf(link);
    std::string reason = makeFolder(folder);
    if (reason.empty()) {
        reason = checkPrivate(folder);
    }
    if (reason.empty()) {
        reason = lockLink();
    }
    if (reason.empty()) {
        reason = openTerminal();
    }
    if (reason.empty()) {
        reason = placeLink();
    }
    return reason.empty() ? std::string() : cannotUse(link, reason);
}

std::string PtyOutput::lockLink() {
    m_lockPath = m_link + kLockSuffix;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        m_lock = ::open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
        if (m_lock < 0) {
            return "cannot open the lock file " + m_lockPath + ": " + systemError(errno);
        }
        if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            closeIfOpen(m_lock);
            if (error == EWOULDBLOCK) {
                return "another Pelora is using it";
            }
            return "cannot lock " + m_lockPath + ": " + systemError(error);
        }
        // The owner before may have removed the file after we opened it: the lock counts only
        // on the file that is still there.
        struct stat held {};
        struct stat there {};
        if (::fstat(m_lock, &held) == 0 && ::stat(m_lockPath.c_str(), &there) == 0 &&
            held.st_dev == there.st_dev && held.st_ino == there.st_ino) {
            return {};
        }
        closeIfOpen(m_lock);
    }
    return "cannot lock " + m_lockPath;
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

std::string PtyOutput::placeLink() {
    struct stat info {};
    if (::lstat(m_link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        return "it exists and is not a link; it was left as it is";
    }
    // Made beside the link and renamed over it, so a consumer never finds the link missing;
    // a link already there is stale, since its owner would hold the lock.
    const std::string fresh = m_link + kNewLinkSuffix;
    ::unlink(fresh.c_str());
    if (::symlink(m_device.c_str(), fresh.c_str()) != 0) {
        return "cannot make the link: " + systemError(errno);
    }
    if (::rename(fresh.c_str(), m_link.c_str()) != 0) {
        const int error = errno;
        ::unlink(fresh.c_str());
        return "cannot make the link: " + systemError(error);
    }
    return {};
}

void PtyOutput::stop() {
    if (m_master < 0 && m_lock < 0) {
        m_problem.clear();
        return;
    }
    if (isOn()) {
        std::array<char, kDevicePathLength> target{};
        const ssize_t length = ::readlink(m_link.c_str(), target.data(), target.size() - 1);
        if (length > 0 && std::string(target.data(), static_cast<std::size_t>(length)) == m_device) {
            ::unlink(m_link.c_str());
        }
    }
    closeEverything();
    m_problem.clear();
}

void PtyOutput::closeEverything() {
    delete m_notifier;
    m_notifier = nullptr;
    closeIfOpen(m_deviceFd);
    closeIfOpen(m_master);
    m_device.clear();
    if (m_lock >= 0) {
        // Removed while still locked, so nobody can take a lock on a file about to vanish
        // without noticing (lockLink() checks the file is still there).
        ::unlink(m_lockPath.c_str());
        closeIfOpen(m_lock);
    }
}

void PtyOutput::writeLine(std::string_view line) {
    if (!isOn()) {
        return;
    }
    // Whatever the reader has not taken of the last line is thrown away, including what the
    // system has not yet handed on to the device side (which reading the unread count would
    // miss when writes come close together).
    ::tcflush(m_deviceFd, TCIFLUSH);
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
    return m_master >= 0 && m_deviceFd >= 0 && m_lock >= 0 && !m_device.empty();
}

OutputState PtyOutput::state() const {
    return {isOn(), m_link.empty() ? m_endpointLink : m_link, m_problem, -1};
}

const std::string& PtyOutput::devicePath() const {
    return m_device;
}

}  // namespace pelora
