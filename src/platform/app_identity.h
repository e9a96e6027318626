#pragma once

#include <string>

#include <QString>

namespace pelora {

// The running program's executable file name without folder and extension ("pelora"), the
// name under which it keeps its settings, so that a copy under another name keeps settings of
// its own. Gives "pelora" when there is no QCoreApplication or the name cannot be found.
std::string executableName();

// The folder that holds per-user settings: $XDG_CONFIG_HOME, or ~/.config when it is not set.
// Read anew at every call.
QString userSettingsFolder();

// The settings file of `application` (an executable name): <folder>/<application>/<application>.ini,
// in userSettingsFolder() unless another folder is given. The one place that says where a
// settings file lives; the settings store and the serial device map both read it there.
QString settingsFilePath(const std::string& application, const QString& folder = userSettingsFolder());

}  // namespace pelora
