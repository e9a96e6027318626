#pragma once

#include <QString>

namespace pelora {

// Opens a web address in the system's browser (QDesktopServices::openUrl). Returns whether
// the desktop accepted the request; the caller may ignore it. Does not wait for the browser.
bool Activate_Browser(const QString& address);

}  // namespace pelora
