#include "platform/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/text.h"

namespace pelora {
namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kNewFile = 0666;  // less the user's umask
constexpr mode_t kNewFolder = 0700;
constexpr mode_t kPermissionBits = 07777;
constexpr int kTemporaryNameAttempts = 100;
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kLargestWrite = 1 << 30;  // below what one write() may take
constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;

std::error_code lastError() { return {errno, std::system_category()}; }

std::int64_t nanoseconds(const timespec& time) { return time.tv_sec * kNsPerSecond + time.tv_nsec; }

FileStamp stampOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

// Closes a descriptor once; close errors are checked where they matter, by closeChecked.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; some file systems (NFS) report a failed write only here.
    std::error_code closeChecked() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? std::error_code() : lastError();
    }

private:
    int m_fd;
};

std::error_code writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), std::min(content.size(), kLargestWrite));
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        if (written == 0) return {EIO, std::system_category()};
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// Asks for large memory pages under a large buffer not yet touched: a file of many megabytes
// then costs a few page faults instead of one for every 4 KiB. Only a hint.
void adviseLargePages(char* buffer, std::size_t size) {
    if (size < kLargePage) return;
    const auto first = (reinterpret_cast<std::uintptr_t>(buffer) + kLargePage - 1) & ~(kLargePage - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(kLargePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace

std::error_code fileStamp(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return lastError();
    stamp = stampOf(info);
    return {};
}

FileContent readWholeFile(const std::string& path) {
    FileContent file;
    // Not blocking, so that a pipe in place of the file cannot hold the program.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        file.error = lastError();
        return file;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        file.error = lastError();
        return file;
    }
    if (S_ISDIR(info.st_mode)) {
        file.error = {EISDIR, std::system_category()};
        return file;
    }
    file.stamp = stampOf(info);
    // One byte more than the file's size, so that the read that finds the end needs no growth.
    std::string& bytes = file.bytes;
    bytes.reserve(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1);
    adviseLargePages(bytes.data(), bytes.capacity());
    bytes.resize(bytes.capacity());
    std::size_t used = 0;
    while (true) {
        if (used == bytes.size()) bytes.resize(bytes.size() + kReadChunk);
        const ssize_t got = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            file.error = lastError();
            bytes.clear();
            return file;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
    return file;
}

std::error_code writeFileAtomically(const std::string& path, std::string_view content) {
    return writeFileAtomically(path, std::span<const std::string_view>(&content, 1));
}

std::error_code writeFileAtomically(const std::string& path, std::span<const std::string_view> pieces) {
    std::string target = path;
    struct stat old {};
    bool exists = false;
    if (::lstat(path.c_str(), &old) == 0) {
        if (S_ISLNK(old.st_mode)) {
            // Write beside the file the link names, so that the link stays.
            const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
            if (!real) return lastError();
            target = real.get();
            if (::stat(target.c_str(), &old) != 0) return lastError();
        }
        if (S_ISDIR(old.st_mode)) return {EISDIR, std::system_category()};
        exists = true;
        // A rename would replace a file whose permissions forbid writing it; respect them.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return lastError();
    } else if (errno != ENOENT) {
        return lastError();
    }

    static std::atomic<unsigned> counter{0};
    const std::string folder = folderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    std::string temporary;
    int rawFd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && rawFd < 0; ++attempt) {
        temporary = folder + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        rawFd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? kPrivateFile : kNewFile);
        if (rawFd < 0 && errno != EEXIST) return lastError();
    }
    if (rawFd < 0) return {EEXIST, std::system_category()};

    Descriptor fd(rawFd);
    std::error_code error;
    if (exists && ::fchmod(fd.get(), old.st_mode & kPermissionBits) != 0) error = lastError();
    for (const std::string_view piece : pieces) {
        if (!error) error = writeAll(fd.get(), piece);
    }
    if (!error && ::fsync(fd.get()) != 0) error = lastError();
    if (const std::error_code closed = fd.closeChecked(); !error) error = closed;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = lastError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The rename itself reaches the disk with the folder. The new content is in place already,
    // so a failure here is no reason to call the write failed.
    const Descriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() >= 0) ::fsync(folderFd.get());
    return {};
}

std::error_code makeFolders(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode) ? std::error_code() : std::error_code(ENOTDIR, std::system_category());
    }
    if (errno != ENOENT) return lastError();
    const std::string parent = folderOf(path);
    if (parent != path) {
        if (const std::error_code error = makeFolders(parent)) return error;
    }
    if (::mkdir(path.c_str(), kNewFolder) != 0 && errno != EEXIST) return lastError();
    return {};
}

std::int64_t fileClockNowNs() {
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

}  // namespace pelora
