#include "platform/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include <dirent.h>
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
constexpr char kTemporaryInfix[] = ".tmp-";
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
    explicit Descriptor(int fd, FileSystemCalls& calls = systemFileCalls()) : m_fd(fd), m_calls(calls) {}
    ~Descriptor() {
        if (m_fd >= 0) m_calls.closeFile(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; some file systems (NFS) report a failed write only here.
    std::error_code closeChecked() {
        const int fd = m_fd;
        m_fd = -1;
        return m_calls.closeFile(fd) == 0 ? std::error_code() : lastError();
    }

private:
    int m_fd;
    FileSystemCalls& m_calls;
};

std::error_code writeAll(FileSystemCalls& calls, int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = calls.writeFile(fd, content.data(), std::min(content.size(), kLargestWrite));
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

// Why a file of `info`'s kind is not read or written as a settings file, and its error number.
std::pair<std::error_code, std::string> notARegularFile(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return {{EISDIR, std::system_category()}, "a folder, not a file"};
    const char* kind = S_ISFIFO(info.st_mode)                          ? "a named pipe"
                       : S_ISSOCK(info.st_mode)                        ? "a socket"
                       : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                                                                        : "not a file";
    return {{EINVAL, std::system_category()}, std::string(kind) + ", not a regular file"};
}

std::string sizeText(off_t bytes) {
    constexpr off_t kMebibyte = 1 << 20;
    return bytes % kMebibyte == 0 ? std::to_string(bytes / kMebibyte) + " MiB" : std::to_string(bytes) + " bytes";
}

void refuse(FileContent& file, std::pair<std::error_code, std::string> why) {
    file.error = why.first;
    file.refusal = std::move(why.second);
    file.bytes.clear();
}

// The process id in a new file's name ".<base>.tmp-<process id>-<n>", or 0.
pid_t writerOf(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) return 0;
    name.remove_prefix(prefix.size());
    pid_t process = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), process);
    if (error != std::errc() || end == name.data() + name.size() || *end != '-') return 0;
    return process;
}

// Removes the new files that writers of `base` in `folder` left when they were killed.
void removeLeftNewFiles(FileSystemCalls& calls, const std::string& folder, const std::string& base) {
    const std::string prefix = "." + base + kTemporaryInfix;
    std::vector<std::string> left;
    if (DIR* entries = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(entries)) {
            const pid_t writer = writerOf(entry->d_name, prefix);
            if (writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH) {
                left.push_back(folder + "/" + entry->d_name);
            }
        }
        ::closedir(entries);
    }
    for (const std::string& path : left) {
        calls.removeFile(path.c_str());
    }
}

}  // namespace

int FileSystemCalls::openFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileSystemCalls::writeFile(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
int FileSystemCalls::syncFile(int fd) { return ::fsync(fd); }
int FileSystemCalls::closeFile(int fd) { return ::close(fd); }
int FileSystemCalls::renameFile(const char* from, const char* to) { return ::rename(from, to); }
int FileSystemCalls::removeFile(const char* path) { return ::unlink(path); }

int FileSystemCalls::syncFolder(const char* folder) {
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

FileSystemCalls& systemFileCalls() {
    static FileSystemCalls calls;
    return calls;
}

std::error_code fileStamp(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return lastError();
    stamp = stampOf(info);
    return {};
}

FileContent readWholeFile(const std::string& path, off_t largestBytes) {
    FileContent file;
    // Looked at before it is opened: opening a device or a pipe can have effects of its own.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        file.error = lastError();
        return file;
    }
    if (!S_ISREG(info.st_mode)) {
        refuse(file, notARegularFile(info));
        return file;
    }
    // Not blocking, so that a pipe put in place of the file meanwhile cannot hold the program.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        file.error = lastError();
        return file;
    }
    if (::fstat(fd.get(), &info) != 0) {
        file.error = lastError();
        return file;
    }
    const std::pair<std::error_code, std::string> tooLarge{{EFBIG, std::system_category()},
                                                           "larger than " + sizeText(largestBytes)};
    if (!S_ISREG(info.st_mode)) {
        refuse(file, notARegularFile(info));
        return file;
    }
    if (info.st_size > largestBytes) {
        refuse(file, tooLarge);
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
        if (used > static_cast<std::size_t>(largestBytes)) {
            refuse(file, tooLarge);  // it grew while it was read
            return file;
        }
        if (used == bytes.size()) bytes.resize(std::min(bytes.size() + kReadChunk, static_cast<std::size_t>(largestBytes) + 1));
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

std::error_code writeFileAtomically(const std::string& path, std::string_view content, FileSystemCalls& calls) {
    return writeFileAtomically(path, std::span<const std::string_view>(&content, 1), calls);
}

std::error_code writeFileAtomically(const std::string& path, std::span<const std::string_view> pieces,
                                    FileSystemCalls& calls) {
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
        if (!S_ISREG(old.st_mode)) return notARegularFile(old).first;
        exists = true;
        // A rename would replace a file whose permissions forbid writing it; respect them.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return lastError();
    } else if (errno != ENOENT) {
        return lastError();
    }

    static std::atomic<unsigned> counter{0};
    const std::string folder = folderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    removeLeftNewFiles(calls, folder, base);
    std::string temporary;
    int rawFd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && rawFd < 0; ++attempt) {
        temporary = folder + "/." + base + kTemporaryInfix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        rawFd = calls.openFile(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? kPrivateFile : kNewFile);
        if (rawFd < 0 && errno != EEXIST) return lastError();
    }
    if (rawFd < 0) return {EEXIST, std::system_category()};

    Descriptor fd(rawFd, calls);
    std::error_code error;
    if (exists && ::fchmod(fd.get(), old.st_mode & kPermissionBits) != 0) error = lastError();
    for (const std::string_view piece : pieces) {
        if (!error) error = writeAll(calls, fd.get(), piece);
    }
    if (!error && calls.syncFile(fd.get()) != 0) error = lastError();
    if (const std::error_code closed = fd.closeChecked(); !error) error = closed;
    if (!error && calls.renameFile(temporary.c_str(), target.c_str()) != 0) error = lastError();
    if (error) {
        calls.removeFile(temporary.c_str());
        return error;
    }
    // The rename reaches the disk with the folder. A file system that cannot flush a folder
    // (EINVAL), or a folder this user may not open to flush it, leaves that to the system.
    if (calls.syncFolder(folder.c_str()) != 0 && errno != EINVAL && errno != EACCES && errno != EPERM) {
        return lastError();
    }
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
