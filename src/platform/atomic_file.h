#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include <sys/types.h>

namespace pelora {

// What tells one version of a file from another: replacing the file changes the device or the
// inode, writing it changes the size or the modification and change times (kept to the
// nanosecond where the file system has them).
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;  // since the epoch
    std::int64_t changedNs = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A whole file as read, its stamp taken from the open file, or the system's error.
struct FileContent {
    std::string bytes;
    FileStamp stamp;
    std::error_code error;  // ENOENT when there is no such file, EISDIR for a folder, ...
    // Why a file that is there was not read ("a named pipe, not a regular file"); "" otherwise.
    std::string refusal;
};

// The stamp of the file at `path` (a native path, symbolic links followed), or the error.
std::error_code fileStamp(const std::string& path, FileStamp& stamp);

// Reads the file at `path` to its end. Only a regular file is read: a folder is refused with
// EISDIR, a named pipe, a device or a socket with EINVAL (none of them is opened), and a file of
// more than `largestBytes` with EFBIG, each with its refusal. The stamp belongs to the bytes
// read unless the file is written while it is read.
FileContent readWholeFile(const std::string& path, off_t largestBytes);

// The calls the atomic writer makes to the file system, one virtual function each, so that a
// test can make one of them fail (return -1 with errno set, as the system does) or watch their
// order. The defaults are the system's calls.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    virtual int openFile(const char* path, int flags, mode_t mode);
    virtual ssize_t writeFile(int fd, const void* data, std::size_t size);
    virtual int syncFile(int fd);
    virtual int closeFile(int fd);
    virtual int renameFile(const char* from, const char* to);
    // Flushes the entries of the folder (a rename in it) to the disk.
    virtual int syncFolder(const char* folder);
    virtual int removeFile(const char* path);
};

// The system's calls.
FileSystemCalls& systemFileCalls();

// Replaces the file at `path` with `content` in one step, so that the file holds either all of
// the old content or all of the new, whatever happens: the content goes to a new file beside it
// (every write checked, short writes continued), is flushed to the disk (fsync), closed, and
// renamed over the old file, which keeps its permissions; then the folder is flushed, so that
// the rename itself lasts. A symbolic link is followed to the file it names and stays a link.
// An existing file that the user may not write is not replaced (EACCES, EPERM or EROFS), nor a
// folder (EISDIR), nor anything else that is not a regular file (EINVAL: a device, a named
// pipe). On failure the old file is untouched, the new one is removed, and the system's error
// number is returned (ENOSPC for a full disk, EACCES for a folder without write permission,
// ...); only when flushing the folder fails after the rename (EIO) is the new content in place
// with the error returned, since it may not survive a crash. New files left by writers that
// were killed before they finished (".<name>.tmp-<process id>-<n>" of a process that is gone)
// are removed. The folder must exist. `calls` are the file-system calls to make.
std::error_code writeFileAtomically(const std::string& path, std::string_view content,
                                    FileSystemCalls& calls = systemFileCalls());
// The same, the content given as pieces written one after the other.
std::error_code writeFileAtomically(const std::string& path, std::span<const std::string_view> pieces,
                                    FileSystemCalls& calls = systemFileCalls());

// Creates the folder `path` and any missing folder above it (mode 0700, as the per-user
// settings folders are made). ENOTDIR when a file stands in the way.
std::error_code makeFolders(const std::string& path);

// The time now on the clock that file times are taken from, in nanoseconds since the epoch.
std::int64_t fileClockNowNs();

}  // namespace pelora
