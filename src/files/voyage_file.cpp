#include "files/voyage_file.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include "sim/voyage_text.h"

namespace pelora {

namespace {

// Writes and reads go in blocks of this size, so memory stays at the voyage itself.
constexpr qint64 kBlockBytes = 1 << 20;

enum class TargetKind { Missing, Regular, Folder, CharacterDevice, Other, Unknown };

struct Target {
    TargetKind kind = TargetKind::Unknown;
    std::string reason;    // for Unknown: why the file could not be examined
    std::uintmax_t bytes = 0;  // for Regular: its size
};

Target examine(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno == ENOENT) {
            return {TargetKind::Missing, {}};
        }
        return {TargetKind::Unknown, std::strerror(errno)};
    }
    if (S_ISREG(info.st_mode)) return {TargetKind::Regular, {}, static_cast<std::uintmax_t>(info.st_size)};
    if (S_ISDIR(info.st_mode)) return {TargetKind::Folder, {}};
    if (S_ISCHR(info.st_mode)) return {TargetKind::CharacterDevice, {}};
    return {TargetKind::Other, {}};
}

Failure saveError(const std::string& path, const std::string& reason) {
    return Failure{"The voyage could not be saved to \"" + path + "\"", reason, 0};
}

Failure loadError(const std::string& path, const std::string& reason) {
    return Failure{"The voyage could not be loaded from \"" + path + "\"", reason, 0};
}

// Writes all `size` bytes. QFileDevice takes a short write (the disk filled up in the middle
// of a block) as a success without an error, so the rest is written again until it is all out
// or a write fails and leaves its cause in errorString().
bool writeAll(QFileDevice& file, const char* data, qint64 size) {
    while (size > 0) {
        const qint64 written = file.write(data, size);
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Writes every fix to a device opened unbuffered, in blocks; false at the first failed write.
bool writeFixes(QFileDevice& file, std::span<const std::string> fixes) {
    std::string block;
    block.reserve(static_cast<std::size_t>(kBlockBytes) + 256);
    const auto flushBlock = [&] {
        const bool written = writeAll(file, block.data(), static_cast<qint64>(block.size()));
        block.clear();
        return written;
    };
    for (const std::string& fix : fixes) {
        appendFixLine(block, fix);
        if (static_cast<qint64>(block.size()) >= kBlockBytes && !flushBlock()) {
            return false;
        }
    }
    return flushBlock();
}

std::optional<Failure> saveDirect(const std::string& path, const QString& qpath,
                            std::span<const std::string> fixes) {
    QFile device(qpath);
    if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return saveError(path, device.errorString().toStdString());
    }
    if (!writeFixes(device, fixes)) {
        return saveError(path, device.errorString().toStdString());
    }
    device.close();
    return std::nullopt;
}

}  // namespace

std::optional<Failure> saveVoyageFile(const std::string& path, std::span<const std::string> fixes) {
    const QString qpath = QString::fromStdString(path);
    if (path.empty()) {
        return saveError(path, "no file name was given");
    }
    const Target target = examine(qpath);
    switch (target.kind) {
        case TargetKind::Folder:
            return saveError(path, "it is a folder");
        case TargetKind::Other:
            return saveError(path, "it is not a regular file");
        case TargetKind::Unknown:
            return saveError(path, target.reason);
        case TargetKind::CharacterDevice:
            // Renaming a temporary file over a device would replace the device itself.
            return saveDirect(path, qpath, fixes);
        case TargetKind::Missing:
        case TargetKind::Regular:
            break;
    }
    QSaveFile file(qpath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return saveError(path, file.errorString().toStdString());
    }
    if (!writeFixes(file, fixes)) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return saveError(path, reason);
    }
    if (!file.commit()) {
        return saveError(path, file.errorString().toStdString());
    }
    return std::nullopt;
}

namespace {

// The reason given for a file over the size bound: "it is larger than 96 MB, ...".
std::string tooLargeReason() {
    return "it is larger than " + std::to_string(kMaxVoyageFileBytes >> 20) +
           " MB, the most a voyage file may hold";
}

// Reads the regular file at `qpath` into lines, block by block, stopping at the first block
// that shows it is not a voyage. May throw std::bad_alloc.
Result<std::vector<std::string>> readVoyage(const std::string& path, const QString& qpath, std::uintmax_t bytes) {
    // Non-blocking, so that a file of the kernel's that waits for data to come (they call
    // themselves regular files) gives an error instead of holding the window.
    const int fd = ::open(QFile::encodeName(qpath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return loadError(path, std::strerror(errno));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return loadError(path, file.errorString().toStdString());
    }
    LineSplitter splitter;
    splitter.expectBytes(bytes);
    std::string block(static_cast<std::size_t>(kBlockBytes), '\0');
    std::uintmax_t total = 0;
    for (;;) {
        const qint64 got = file.read(block.data(), kBlockBytes);
        if (got < 0) {
            return loadError(path, file.errorString().toStdString());
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::uintmax_t>(got);
        if (total > kMaxVoyageFileBytes) {
            // It grew since it was examined.
            return loadError(path, tooLargeReason());
        }
        if (!splitter.feed(std::string_view(block.data(), static_cast<std::size_t>(got)))) {
            break;
        }
    }
    VoyageLines split = splitter.finish();
    if (split.fault) {
        return loadError(path, *split.fault);
    }
    if (split.lines.empty()) {
        return loadError(path, "the file holds no fixes");
    }
    split.lines.reserve(split.lines.size() + 1);
    return std::move(split.lines);
}

}  // namespace

Result<std::vector<std::string>> loadVoyageFile(const std::string& path) {
    const QString qpath = QString::fromStdString(path);
    if (path.empty()) {
        return loadError(path, "no file name was given");
    }
    const Target target = examine(qpath);
    switch (target.kind) {
        case TargetKind::Missing:
            return loadError(path, "the file does not exist");
        case TargetKind::Folder:
            return loadError(path, "it is a folder");
        case TargetKind::CharacterDevice:
        case TargetKind::Other:
            return loadError(path, "it is not a regular file");
        case TargetKind::Unknown:
            return loadError(path, target.reason);
        case TargetKind::Regular:
            break;
    }
    if (target.bytes > kMaxVoyageFileBytes) {
        return loadError(path, tooLargeReason());
    }
    if (target.bytes == 0) {
        // Read no further: the files of /proc say they are empty, and some never end.
        return loadError(path, "the file holds no fixes");
    }
    try {
        return readVoyage(path, qpath, target.bytes);
    } catch (const std::bad_alloc&) {
        // Whatever was read is gone with the unwinding; the caller keeps its voyage.
        return loadError(path, "there is not enough memory to hold it");
    }
}

}  // namespace pelora
