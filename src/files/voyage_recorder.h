#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "text/failure.h"

namespace pelora {

// Records the sentences sent to a voyage file as they go out: each line and its CR LF are
// appended to the file in one write that reaches the file at once (no buffer in the
// program), so that a reader following the file sees whole lines only, and the lines on
// disk survive the program. A write that fails half way is taken back, so the file never
// holds half a line. A failure (a full disk, the file removed) is told once, as a message,
// and the program goes on: later lines are tried again, and a line that is written ends the
// failure, so that the next one is told again.
class VoyageRecorder {
public:
    // Records to the file at `path` (UTF-8). Nothing is opened yet.
    explicit VoyageRecorder(std::string path);
    ~VoyageRecorder();
    VoyageRecorder(const VoyageRecorder&) = delete;
    VoyageRecorder& operator=(const VoyageRecorder&) = delete;

    // Opens the file for appending, created when missing; an existing file whose last line
    // has no line end gets one first, so that the first line recorded stands on its own.
    // A folder, a device or a pipe is refused. Returns the failure message ("The voyage could
    // not be recorded to "PATH": REASON."), or nothing. append() opens the file when this
    // was not called or failed.
    std::optional<Failure> open();

    // Appends `line` (which must hold no line feed) and CR LF. Returns the failure message
    // when this line begins a failure; nothing when it was written or the failure had been
    // told already. A file removed or replaced under the recorder is told as a failure and
    // recorded afresh at `path`.
    std::optional<Failure> append(std::string_view line);
    // The same for `bytes` as they stand: lines with their line ends, written whole in one go.
    std::optional<Failure> appendBytes(std::string_view bytes);

    // Closes the file; the next append() opens it again.
    void close();

    // True while the last line (or open()) failed.
    bool isFailing() const { return m_failing; }
    const std::string& path() const { return m_path; }

private:
    // Opens the file; the reason it could not, or nothing.
    std::optional<std::string> openFile();
    // Writes `bytes` whole or not at all; the reason it could not, or nothing.
    std::optional<std::string> writeWhole(std::string_view bytes);
    // True when `path` still names the open file.
    bool pathIsOpenFile() const;
    // "The voyage could not be recorded to "PATH"" failing for `reason`.
    Failure failure(const std::string& reason) const;
    // The failure for `reason` when it begins one, else nothing.
    std::optional<Failure> fail(const std::string& reason);

    std::string m_path;
    int m_fd = -1;
    // The open file's identity, to tell whether `path` still names it.
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_failing = false;
};

}  // namespace pelora
