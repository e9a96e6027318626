#include "platform/owned_link.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "text/text.h"

namespace pelora {
namespace {

constexpr mode_t kOwnFolderMode = 0700;
constexpr mode_t kRecordMode = 0600;
// A record removed by its owner between our open and our lock is opened again, a few times.
constexpr int kRecordLockTries = 3;
constexpr std::size_t kMostHeldLinks = 8;
constexpr std::size_t kTargetBytes = 128;  // a terminal's device path ("/dev/pts/12") fits well
constexpr std::size_t kRecordBytes = 2 * PATH_MAX + 64;
constexpr std::string_view kRecordPrefix = "link-";
constexpr std::string_view kRecordSuffix = ".lock";
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
constexpr int kHexDigitsOf64Bits = 16;

constexpr std::array<std::string_view, 16> kSystemFolders{
    "/bin", "/boot", "/dev", "/etc", "/lib", "/lib32", "/lib64", "/libx32",
    "/opt", "/proc", "/run", "/sbin", "/snap", "/sys",   "/usr",  "/var"};
constexpr std::array<std::string_view, 2> kOpenFoldersBelowSystemOnes{"/var/tmp", "/var/home"};

std::string errorText(int error) { return std::system_category().message(error); }

bool isWithin(std::string_view path, std::string_view folder) {
    return path.substr(0, folder.size()) == folder && (path.size() == folder.size() || path[folder.size()] == '/');
}

// `path` (absolute) with "." and ".." taken out and no doubled slashes.
std::string lexicalPath(const std::string& path) {
    std::vector<std::string_view> parts;
    const std::string_view text(path);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        const std::string_view part = text.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string normal;
    for (const std::string_view part : parts) {
        normal += '/';
        normal += part;
    }
    return normal.empty() ? std::string("/") : normal;
}

std::string realPathOf(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// `path` (absolute, lexical) with the links of the part that exists resolved.
std::string resolvedPath(const std::string& path) {
    std::string existing = path;
    std::string rest;
    while (true) {
        const std::string real = realPathOf(existing);
        if (!real.empty()) return rest.empty() ? real : (real == "/" ? std::string() : real) + rest;
        if (existing == "/") return path;
        const std::size_t slash = existing.rfind('/');
        rest = existing.substr(slash) + rest;
        existing = slash == 0 ? std::string("/") : existing.substr(0, slash);
    }
}

// The system folder that holds the folder `folder` (absolute, lexical), or "".
std::string systemFolderHolding(const std::string& folder) {
    if (folder == "/") return folder;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        const std::string runtimeFolder = resolvedPath(lexicalPath(runtime));
        if (runtimeFolder != "/" && isWithin(folder, runtimeFolder)) return {};
    }
    for (const std::string_view open : kOpenFoldersBelowSystemOnes) {
        if (isWithin(folder, open)) return {};
    }
    for (const std::string_view system : kSystemFolders) {
        if (isWithin(folder, system)) return std::string(system);
    }
    return {};
}

// Creates every missing folder of `folder` with mode 0700. Returns "" or the reason.
std::string makeMissingFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), kOwnFolderMode) != 0 && errno != EEXIST) {
            return "cannot create the folder " + part + ": " + errorText(errno);
        }
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return folder + " is not a folder";
    return {};
}

// Whether `folder` is a folder of this user that nobody else may write to.
bool isPrivateFolder(const std::string& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A folder inside a folder that everybody may write to (such as /tmp) could have been made by
// anybody: it is used only when it is this user's own and closed to others.
std::string checkUnsharedFolder(const std::string& folder) {
    struct stat parent {};
    if (::stat(folderOf(folder).c_str(), &parent) != 0 || (parent.st_mode & S_IWOTH) == 0) return {};
    return isPrivateFolder(folder) ? std::string() : "the folder " + folder + " is not private to this user";
}

std::string recordPathFor(const std::string& folder, const std::string& link) {
    std::uint64_t hash = kFnvOffset;
    for (const char c : link) {
        hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
    }
    constexpr char kDigits[] = "0123456789abcdef";
    std::string name(kHexDigitsOf64Bits, '0');
    for (int i = kHexDigitsOf64Bits - 1; i >= 0; --i, hash >>= 4) {
        name[static_cast<std::size_t>(i)] = kDigits[hash & 0xf];
    }
    return folder + "/" + std::string(kRecordPrefix) + name + std::string(kRecordSuffix);
}

// What a record says: the link, where it leads and, once made, its inode.
struct Record {
    std::string link;
    std::string target;
    dev_t device = 0;
    ino_t inode = 0;
};

std::string recordText(const Record& record) {
    std::string text = record.link + "\n" + record.target + "\n";
    if (record.inode != 0) {
        text += std::to_string(record.device) + " " + std::to_string(record.inode) + "\n";
    }
    return text;
}

Record readRecord(int fd) {
    std::string text(kRecordBytes, '\0');
    const ssize_t got = ::pread(fd, text.data(), text.size(), 0);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    Record record;
    const std::size_t first = text.find('\n');
    const std::size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
    if (second == std::string::npos) return {};
    record.link = text.substr(0, first);
    record.target = text.substr(first + 1, second - first - 1);
    unsigned long long device = 0;
    unsigned long long inode = 0;
    if (std::sscanf(text.c_str() + second + 1, "%llu %llu", &device, &inode) == 2) {
        record.device = static_cast<dev_t>(device);
        record.inode = static_cast<ino_t>(inode);
    }
    return record;
}

bool writeRecord(int fd, const Record& record) {
    const std::string text = recordText(record);
    return ::ftruncate(fd, 0) == 0 &&
           ::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
}

bool sameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Whether the link at `link` is still the one a record describes: a link, leading to `target`,
// with the recorded inode when there is one. Safe inside a signal handler.
bool linkIsAsRecorded(const char* link, const char* target, dev_t device, ino_t inode) {
    struct stat info {};
    if (::lstat(link, &info) != 0 || !S_ISLNK(info.st_mode)) return false;
    if (inode != 0 && (info.st_dev != device || info.st_ino != inode)) return false;
    char leadsTo[kTargetBytes];
    const ssize_t length = ::readlink(link, leadsTo, sizeof leadsTo - 1);
    if (length <= 0) return false;
    leadsTo[length] = '\0';
    return sameText(leadsTo, target);
}

bool recordedLinkStands(const Record& record, const std::string& link) {
    return !record.link.empty() && record.link == link && !record.target.empty() &&
           linkIsAsRecorded(link.c_str(), record.target.c_str(), record.device, record.inode);
}

bool isStillAt(int fd, const std::string& path) {
    struct stat held {};
    struct stat there {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &there) == 0 && held.st_dev == there.st_dev &&
           held.st_ino == there.st_ino;
}

// Opens and locks the record at `path`: the descriptor, or -1 and the reason.
int lockRecord(const std::string& path, std::string& reason) {
    for (int attempt = 0; attempt < kRecordLockTries; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kRecordMode);
        if (fd < 0) {
            reason = "cannot open the lock file " + path + ": " + errorText(errno);
            return -1;
        }
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        const int error = errno;
        // The lock counts only on the file that is still there: its owner removes it, locked,
        // when it ends.
        const bool current = isStillAt(fd, path);
        if (locked && current) return fd;
        ::close(fd);
        if (!locked && error != EWOULDBLOCK) {
            reason = "cannot lock " + path + ": " + errorText(error);
            return -1;
        }
        if (!locked && current) {
            reason = "another Pelora is using it";
            return -1;
        }
    }
    reason = "cannot lock " + path;
    return -1;
}

// The links held by this process, as releaseAllNow() reads them: fixed places, so that reading
// them needs no lock and no memory.
struct HeldLink {
    std::atomic<bool> used{false};
    pid_t owner = 0;
    dev_t device = 0;
    ino_t inode = 0;
    char link[PATH_MAX] = {};
    char target[kTargetBytes] = {};
    char record[PATH_MAX] = {};
};
HeldLink g_heldLinks[kMostHeldLinks];

void copyText(char* to, std::size_t room, const std::string& text) {
    const std::size_t length = std::min(text.size(), room - 1);
    text.copy(to, length);
    to[length] = '\0';
}

int holdLink(const std::string& link, const std::string& target, const std::string& record, dev_t device,
             ino_t inode) {
    if (link.size() >= PATH_MAX || record.size() >= PATH_MAX) return -1;
    for (std::size_t slot = 0; slot < kMostHeldLinks; ++slot) {
        HeldLink& held = g_heldLinks[slot];
        if (held.used.load()) continue;
        held.owner = ::getpid();
        held.device = device;
        held.inode = inode;
        copyText(held.link, sizeof held.link, link);
        copyText(held.target, sizeof held.target, target);
        copyText(held.record, sizeof held.record, record);
        held.used.store(true);
        return static_cast<int>(slot);
    }
    return -1;
}

extern "C" void releaseHeldLinksAtExit() { OwnedLink::releaseAllNow(); }

// Whether `link` (a real path) is a link in the program's own folder, where nobody else makes
// anything: the default link of an earlier version that kept no record.
bool inOwnFolder(const std::string& link) {
    struct stat info {};
    return folderOf(link) == realPathOf(runtimeFolder()) && ::lstat(link.c_str(), &info) == 0 &&
           S_ISLNK(info.st_mode);
}

}  // namespace

std::string runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        std::string folder(runtime);
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return (folder == "/" ? std::string() : folder) + "/pelora";
    }
    return "/tmp/pelora-" + std::to_string(::geteuid());
}

std::string systemFolderOf(const std::string& link) {
    const std::string folder = folderOf(lexicalPath(link));
    std::string system = systemFolderHolding(folder);
    return system.empty() ? systemFolderHolding(resolvedPath(folder)) : system;
}

bool isOwnLink(const std::string& link) {
    if (link.empty() || link.front() != '/') return false;
    const std::string lexical = lexicalPath(link);
    const std::string folder = realPathOf(folderOf(lexical));
    if (folder.empty()) return false;
    const std::string real = (folder == "/" ? std::string() : folder) + lexical.substr(lexical.rfind('/'));
    const int fd = ::open(recordPathFor(runtimeFolder(), real).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return inOwnFolder(real);
    const Record record = readRecord(fd);
    ::close(fd);
    return recordedLinkStands(record, real) || inOwnFolder(real);
}

OwnedLink::~OwnedLink() { release(); }

std::string OwnedLink::claim(const std::string& link) {
    release();
    if (link.size() < 2 || link.front() != '/' || link.back() == '/') {
        return "the link must be an absolute path ending in a name";
    }
    const std::string lexical = lexicalPath(link);
    if (const std::string system = systemFolderOf(lexical); !system.empty()) {
        return "it is in the system folder " + system + ", where Pelora makes no links";
    }
    const std::string own = runtimeFolder();
    if (std::string reason = makeMissingFolders(own); !reason.empty()) return reason;
    if (!isPrivateFolder(own)) return "the folder " + own + " is not private to this user";
    const std::string folder = folderOf(lexical);
    if (std::string reason = makeMissingFolders(folder); !reason.empty()) return reason;
    if (std::string reason = checkUnsharedFolder(folder); !reason.empty()) return reason;
    const std::string realFolder = realPathOf(folder);
    if (realFolder.empty()) return "cannot use the folder " + folder + ": " + errorText(errno);
    const std::string real = (realFolder == "/" ? std::string() : realFolder) + lexical.substr(lexical.rfind('/'));
    // Looked at again with the folder made: a link among its folders may lead into a system one.
    if (const std::string system = systemFolderOf(real); !system.empty()) {
        return "it is in the system folder " + system + ", where Pelora makes no links";
    }

    std::string reason;
    const std::string recordPath = recordPathFor(own, real);
    m_lock = lockRecord(recordPath, reason);
    if (m_lock < 0) return reason;
    m_link = real;
    m_lockPath = recordPath;
    // What stands at the path now may be the link of a program that ended without removing it:
    // its record, in this lock file, says so.
    const Record before = readRecord(m_lock);
    struct stat info {};
    if (::lstat(real.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            reason = "it exists and is not a link; it was left as it is";
        } else if (!recordedLinkStands(before, real) && !inOwnFolder(real)) {
            reason = "it is a link that Pelora did not make; it was left as it is";
        } else if (::unlink(real.c_str()) != 0 && errno != ENOENT) {
            reason = "cannot remove the stale link: " + errorText(errno);
        }
    } else if (errno != ENOENT) {
        reason = "cannot look at it: " + errorText(errno);
    }
    if (!reason.empty() || ::ftruncate(m_lock, 0) != 0) {
        if (reason.empty()) reason = "cannot write " + recordPath + ": " + errorText(errno);
        forget();
    }
    return reason;
}

std::string OwnedLink::place(const std::string& target) {
    if (m_lock < 0) return "it is not claimed";
    if (target.empty() || target.size() >= kTargetBytes) return "the device name " + target + " is too long";
    Record record{m_link, target, 0, 0};
    // Recorded before it is made, so that a link left by a crash a moment later is still known.
    if (!writeRecord(m_lock, record)) return "cannot write " + m_lockPath + ": " + errorText(errno);
    if (::symlink(target.c_str(), m_link.c_str()) != 0) {
        const int error = errno;
        if (error == EEXIST) return "something else was placed there meanwhile; it was left as it is";
        return "cannot make the link: " + errorText(error);
    }
    struct stat info {};
    if (::lstat(m_link.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        record.device = info.st_dev;
        record.inode = info.st_ino;
        writeRecord(m_lock, record);
    }
    m_target = target;
    m_device = record.device;
    m_inode = record.inode;
    m_placed = true;
    static const bool releasedAtExit = std::atexit(releaseHeldLinksAtExit) == 0;
    (void)releasedAtExit;
    m_slot = holdLink(m_link, m_target, m_lockPath, m_device, m_inode);
    return {};
}

void OwnedLink::release() {
    if (m_slot >= 0) {
        g_heldLinks[m_slot].used.store(false);
        m_slot = -1;
    }
    if (m_placed && linkIsAsRecorded(m_link.c_str(), m_target.c_str(), m_device, m_inode)) {
        ::unlink(m_link.c_str());
    }
    forget();
}

void OwnedLink::forget() {
    if (m_lock >= 0) {
        // Removed while still locked, so that nobody takes a lock on a file about to vanish
        // without noticing (lockRecord() checks the file is still there).
        ::unlink(m_lockPath.c_str());
        ::close(m_lock);
        m_lock = -1;
    }
    m_placed = false;
    m_link.clear();
    m_lockPath.clear();
    m_target.clear();
    m_device = 0;
    m_inode = 0;
}

bool OwnedLink::placed() const { return m_placed; }

void OwnedLink::removeStale() {
    const std::string own = runtimeFolder();
    std::vector<std::string> records;
    if (DIR* folder = ::opendir(own.c_str())) {
        while (const dirent* entry = ::readdir(folder)) {
            const std::string_view name(entry->d_name);
            if (name.size() > kRecordPrefix.size() + kRecordSuffix.size() && name.starts_with(kRecordPrefix) &&
                name.ends_with(kRecordSuffix)) {
                records.push_back(own + "/" + std::string(name));
            }
        }
        ::closedir(folder);
    }
    for (const std::string& path : records) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        // A lock that cannot be had belongs to a live program, this one included.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && isStillAt(fd, path)) {
            const Record record = readRecord(fd);
            if (recordedLinkStands(record, record.link)) {
                ::unlink(record.link.c_str());
            }
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
}

void OwnedLink::releaseAllNow() {
    const pid_t self = ::getpid();
    for (HeldLink& held : g_heldLinks) {
        // A child of this process (between fork and exec) leaves its parent's links alone.
        if (!held.used.load() || held.owner != self || !held.used.exchange(false)) continue;
        if (linkIsAsRecorded(held.link, held.target, held.device, held.inode)) {
            ::unlink(held.link);
        }
        ::unlink(held.record);
    }
}

}  // namespace pelora
