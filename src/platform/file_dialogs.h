#pragma once

#include <optional>
#include <string>

namespace pelora {

// The voyage file dialogs. Each shows a modal dialog and returns the chosen path (UTF-8), or
// nothing when the operator cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // The save dialog: asks before an existing file is overwritten.
    virtual std::optional<std::string> saveFileName() = 0;

    // The open dialog: only an existing file can be chosen.
    virtual std::optional<std::string> openFileName() = 0;
};

}  // namespace pelora
