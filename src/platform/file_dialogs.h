#pragma once

#include <optional>
#include <string>

namespace pelora {

// The files besides voyages that the dialogs choose: GPX routes and tracks, scenario files.
enum class FileKind { Gpx, Scenario };

// The voyage file dialogs, and those for the other files. Each shows a modal dialog and returns the chosen path (UTF-8), or
// nothing when the operator cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // The save dialog: asks before an existing file is overwritten.
    virtual std::optional<std::string> saveFileName() = 0;

    // The open dialog: only an existing file can be chosen.
    virtual std::optional<std::string> openFileName() = 0;

    // The same dialogs for a file of `kind`, which they offer by its own name filter.
    virtual std::optional<std::string> saveFileName(FileKind kind) = 0;
    virtual std::optional<std::string> openFileName(FileKind kind) = 0;

    // Tells the dialogs that the file at `path`, chosen in one of them, was saved or loaded:
    // later dialogs open in its folder. A save or load that failed is not told, so that no
    // dialog opens in a folder where it failed.
    virtual void fileUsed(const std::string& path) { static_cast<void>(path); }
};

}  // namespace pelora
