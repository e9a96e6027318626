#pragma once

#include <functional>
#include <string>

#include "platform/clock.h"
#include "config/config_dialogs.h"
#include "config/settings_store.h"
#include "nmea/serial_control.h"
#include "platform/file_dialogs.h"
#include "platform/help_viewer.h"
#include "ui/web_link.h"
#include "sim/random_source.h"

namespace pelora {

// The outside services the main window uses, handed over when the window is created so that
// tests can put fakes in their place. A service left empty is replaced by the real one
// (the system clock, the program's random generator, leaving the application's event loop).
// The window does not own what the pointers refer to; it must outlive the window.
struct WindowServices {
    Clock* clock = nullptr;          // local time for the sentences, monotonic time between steps
    RandomSource* random = nullptr;  // sea state and GPS noise draws
    std::function<void()> leaveEventLoop;  // ends the program once the port is closed
    FileDialogs* fileDialogs = nullptr;    // the voyage files' open and save dialogs
    // Shows a failure to the operator and returns when it is acknowledged (a modal box).
    std::function<void(const std::string& message)> showError;
    SerialControl* serial = nullptr;       // MSComm1: the serial port over the device map
    // Shows a notice with the application's title and an OK button only; returns when closed.
    std::function<void(const std::string& text)> showNotice;
    SettingsStore* settings = nullptr;     // the per-user settings file
    ConfigDialogs* configDialogs = nullptr;  // the save question and the load and save failures
    std::string applicationName;           // the settings' application; the executable's name
    HelpViewer* helpViewer = nullptr;      // the help window over pelora.qch
    WebLinkServices webLink;               // the question before the browser, and the browser
    // Shows the About box for a version text and year; returns when it is closed.
    std::function<void(const QString& versionText, int year)> showAbout;
};

}  // namespace pelora
