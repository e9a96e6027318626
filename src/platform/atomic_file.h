#pragma once

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
    std::error_code error;  // ENOENT when there is no such file, EISDIR for a folder
};

// The stamp of the file at `path` (a native path, symbolic links followed), or the error.
std::error_code fileStamp(const std::string& path, FileStamp& stamp);

// Reads the file at `path` to its end. The stamp belongs to the bytes read unless the file is
// written while it is read.
FileContent readWholeFile(const std::string& path);

// Replaces the file at `path` with `content` in one step, so that the file holds either all of
// the old content or all of the new, whatever happens: the content goes to a new file beside it
// (every write checked, short writes continued), is flushed to the disk, and is renamed over the
// old file, which keeps its permissions; a symbolic link is followed to the file it names and
// stays a link. An existing file that the user may not write is not replaced (EACCES, EPERM or
// EROFS), nor a folder (EISDIR). On failure the old file is untouched, the new one is removed,
// and the system's error number is returned (ENOSPC for a full disk, EACCES for a folder
// without write permission, ...). The folder must exist.
std::error_code writeFileAtomically(const std::string& path, std::string_view content);
// The same, the content given as pieces written one after the other.
std::error_code writeFileAtomically(const std::string& path, std::span<const std::string_view> pieces);

// Creates the folder `path` and any missing folder above it (mode 0700, as the per-user
// settings folders are made). ENOTDIR when a file stands in the way.
std::error_code makeFolders(const std::string& path);

// The time now on the clock that file times are taken from, in nanoseconds since the epoch.
std::int64_t fileClockNowNs();

}  // namespace pelora
