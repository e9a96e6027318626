#pragma once

#include <string>

namespace pelora {

// The main window's own modal boxes. Each returns when the operator has closed it.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    // A failure (a voyage that could not be saved or loaded, an output that could not start),
    // with a warning icon and an OK button.
    virtual void showError(const std::string& message) = 0;

    // A notice with the program's title, no icon and an OK button only; CR LF breaks lines.
    virtual void showNotice(const std::string& text) = 0;

    // The About box for a version text ("1.1.12") and the current year.
    virtual void showAbout(const std::string& versionText, int year) = 0;

    // The question before the maker's site opens in the browser; true only for OK.
    virtual bool confirmOnline() = 0;
};

}  // namespace pelora
