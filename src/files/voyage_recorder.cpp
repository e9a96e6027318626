#include "files/voyage_recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "sim/voyage_text.h"

namespace pelora {

namespace {

// Read and write, so that the last byte of an existing file can be looked at; appends only.
// Non-blocking, so that opening a pipe without a reader fails rather than waits.
constexpr int kOpenFlags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask

std::string systemReason(int error) { return std::strerror(error); }

}  // namespace

VoyageRecorder::VoyageRecorder(std::string path) : m_path(std::move(path)) {}

VoyageRecorder::~VoyageRecorder() { close(); }

void VoyageRecorder::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

Failure VoyageRecorder::failure(const std::string& reason) const {
    return Failure{"The voyage could not be recorded to \"" + m_path + "\"", reason, 0};
}

std::optional<Failure> VoyageRecorder::fail(const std::string& reason) {
    if (m_failing) {
        return std::nullopt;
    }
    m_failing = true;
    return failure(reason);
}

std::optional<Failure> VoyageRecorder::open() {
    close();
    if (const std::optional<std::string> reason = openFile()) {
        return fail(*reason);
    }
    m_failing = false;
    return std::nullopt;
}

std::optional<std::string> VoyageRecorder::openFile() {
    if (m_path.empty()) {
        return "no file name was given";
    }
    // Looked at first, so that a device (a serial port) is not even opened.
    struct stat named {};
    if (::stat(m_path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        return "it is not a regular file";
    }
    int fd = ::open(m_path.c_str(), kOpenFlags, kNewFileMode);
    if (fd < 0 && errno == EACCES) {
        // A file we may write but not read: appended without looking at its end.
        fd = ::open(m_path.c_str(), (kOpenFlags & ~O_RDWR) | O_WRONLY, kNewFileMode);
    }
    if (fd < 0) {
        return errno == ENXIO ? std::string("it is not a regular file") : systemReason(errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return "it is not a regular file";
    }
    m_fd = fd;
    m_device = info.st_dev;
    m_inode = info.st_ino;
    char last = '\n';
    if (info.st_size > 0 && ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n') {
        if (const std::optional<std::string> reason = writeWhole(kVoyageLineEnd)) {
            close();
            return reason;
        }
    }
    return std::nullopt;
}

bool VoyageRecorder::pathIsOpenFile() const {
    struct stat named {};
    return ::stat(m_path.c_str(), &named) == 0 && named.st_dev == m_device && named.st_ino == m_inode;
}

std::optional<std::string> VoyageRecorder::writeWhole(std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        const int error = n < 0 ? errno : ENOSPC;
        if (written > 0) {
            // Take the half line back (the file is opened for appending: what went in is its
            // end); should that fail too, the next line still starts on a line of its own when
            // the file is opened again.
            struct stat after {};
            if (::fstat(m_fd, &after) != 0 || after.st_size < static_cast<off_t>(written) ||
                ::ftruncate(m_fd, after.st_size - static_cast<off_t>(written)) != 0) {
                close();
            }
        }
        return systemReason(error);
    }
    return std::nullopt;
}

std::optional<Failure> VoyageRecorder::append(std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size() + kVoyageLineEnd.size());
    appendFixLine(bytes, line);
    return appendBytes(bytes);
}

std::optional<Failure> VoyageRecorder::appendBytes(std::string_view bytes) {
    std::optional<std::string> gone;
    if (m_fd >= 0 && !pathIsOpenFile()) {
        close();
        gone = "the file was removed or replaced, so recording starts it afresh";
    }
    if (m_fd < 0) {
        if (const std::optional<std::string> reason = openFile()) {
            return fail(*reason);
        }
    }
    if (const std::optional<std::string> reason = writeWhole(bytes)) {
        return fail(*reason);
    }
    m_failing = false;
    if (gone) {
        // The line went into the new file; the earlier ones went with the old one.
        return failure(*gone);
    }
    return std::nullopt;
}

}  // namespace pelora
