#pragma once

#include <string>

namespace pelora {

// Opens web addresses in the system's browser.
class Browser {
public:
    virtual ~Browser() = default;

    // Hands `address` to the browser; returns whether the desktop accepted the request (the
    // caller may ignore it). Does not wait for the browser.
    virtual bool open(const std::string& address) = 0;
};

// The desktop's browser (QDesktopServices::openUrl).
class DesktopBrowser final : public Browser {
public:
    bool open(const std::string& address) override;
};

}  // namespace pelora
