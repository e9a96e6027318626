#pragma once

#include <sys/types.h>

#include <string>

namespace pelora {

// The program's own folder for its run-time files (lock files, the records of the links it made,
// the default virtual port): `$XDG_RUNTIME_DIR/pelora`, or `/tmp/pelora-<user id>` when
// XDG_RUNTIME_DIR is unset, empty or not absolute. Looked up at each call.
std::string runtimeFolder();

// The folders where the program never makes a link, as absolute real paths: the root folder
// itself, /bin, /boot, /dev, /etc, /lib, /lib32, /lib64, /libx32, /opt, /proc, /run, /sbin,
// /snap, /sys, /usr and /var, with everything below them, except /var/tmp, /var/home (the
// homes of some systems) and the runtime folder of XDG_RUNTIME_DIR. Returns the one `link`
// lies in ("/etc"), or "" when none. The path is read as written and, as far as it exists,
// with its links resolved, so that a link to /etc counts as /etc.
std::string systemFolderOf(const std::string& link);

// Whether a link that this program made and recorded stands at `link` (a link of a live
// program or one left by a program that was killed), or any link in runtimeFolder().
bool isOwnLink(const std::string& link);

// A symbolic link that the program makes at a path the user chose, and removes again. The link
// is the program's own only when it can be recognised as such: a record in runtimeFolder()
// (`link-<hash of the path>.lock`, which is also the lock held while the link is in use) names
// the path, the target and the link's inode. Anything else at the path (a file, a folder, a
// link someone else made) is never removed or replaced. A link whose record's lock is free
// belongs to a program that ended without removing it: it is stale, and is replaced. In the
// program's own folder, where nobody else makes anything, every link is the program's (earlier
// versions kept no record).
//
// Every held link is also removed when the process ends without release(): at exit() (as Qt
// does when the display goes away) and through releaseAllNow() from a signal handler.
class OwnedLink {
public:
    OwnedLink() = default;
    // Releases the link.
    ~OwnedLink();
    OwnedLink(const OwnedLink&) = delete;
    OwnedLink& operator=(const OwnedLink&) = delete;

    // Takes `link` (an absolute path) for this process: refuses a path outside the places the
    // program may use (see systemFolderOf), a path held by another live program, and a path where
    // something stands that is not a stale link of the program's own; creates the missing
    // folders of the path (mode 0700). Releases what was held before. Returns "" or the reason
    // ("another Pelora is using it", "it exists and is not a link; it was left as it is", ...).
    std::string claim(const std::string& link);

    // Makes the claimed path a link to `target` (held: true). Returns "" or the reason.
    std::string place(const std::string& target);

    // Removes the link when it is still the one place() made, and gives up the claim. Nothing
    // happens when nothing is claimed.
    void release();

    // True between a successful place() and release().
    bool placed() const;

    // Removes the links that programs which ended without removing them left (their record's
    // lock is free), when they are still as those programs made them, and their records.
    static void removeStale();

    // Removes every link this process holds and their records, without freeing memory or taking
    // locks: safe inside a signal handler. The objects stay as they are; only the files go.
    static void releaseAllNow();

private:
    void forget();

    std::string m_link;      // the claimed path, its folder resolved
    std::string m_lockPath;  // the record and lock in runtimeFolder()
    std::string m_target;
    int m_lock = -1;
    int m_slot = -1;         // the place in the table releaseAllNow() reads
    dev_t m_device = 0;      // of the link itself
    ino_t m_inode = 0;
    bool m_placed = false;
};

}  // namespace pelora
