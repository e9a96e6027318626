#pragma once

#include <string>

#include "config/config_dialogs.h"
#include "config/settings_store.h"
#include "nmea/output.h"
#include "nmea/serial_control.h"
#include "platform/browser.h"
#include "platform/file_dialogs.h"
#include "platform/help_viewer.h"
#include "platform/ticker.h"
#include "sim/clock.h"
#include "sim/random_source.h"
#include "dialogs/window_dialogs.h"

namespace pelora {

// Ends the program by leaving the application's event loop.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void leaveEventLoop() = 0;
};

// The outside services the main window uses, built once by the program's composition root
// (or by a test, with fakes) and handed over when the window is created. The window keeps the
// references; everything they refer to must outlive it.
struct WindowServices {
    Clock& clock;                  // local time for the sentences, monotonic time between steps
    RandomSource& random;          // sea state and GPS noise draws
    Ticker& ticker;                // Timer1: the once-a-second beat
    SerialControl& serial;         // MSComm1: the serial port over the device map
    Outputs& outputs;              // the TCP server, UDP and the virtual serial port
    SettingsStore& settings;       // the per-user settings file
    ConfigDialogs& configDialogs;  // the save question and the load and save failures
    FileDialogs& fileDialogs;      // the voyage files' open and save dialogs
    WindowDialogs& dialogs;        // failures, notices, About, the question before the browser
    HelpViewer& helpViewer;        // the help window over pelora.qch
    Browser& browser;              // opens the maker's site
    ProgramEnd& programEnd;        // leaves the event loop once the port is closed
    std::string applicationName;   // the settings' application: the executable's name
};

}  // namespace pelora
