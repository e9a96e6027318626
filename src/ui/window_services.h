#pragma once

#include <string>

#include "chart/coastline_source.h"
#include "config/config_dialogs.h"
#include "config/settings_store.h"
#include "platform/browser.h"
#include "platform/file_dialogs.h"
#include "platform/help_viewer.h"
#include "platform/ticker.h"
#include "sim/clock.h"
#include "dialogs/window_dialogs.h"

namespace pelora {

// Ends the program by leaving the application's event loop.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void leaveEventLoop() = 0;
};

// The outside services the main window uses besides the simulation, built once by the
// program's composition root (or by a test, with fakes) and handed over when the window is
// created. The window keeps the references; everything they refer to must outlive it.
struct WindowServices {
    Clock& clock;                  // the year in the About box
    Ticker& ticker;                // Timer1: the once-a-second beat
    SettingsStore& settings;       // the per-user settings file
    ConfigDialogs& configDialogs;  // the save question and the load and save failures
    FileDialogs& fileDialogs;      // the open and save dialogs of voyages, GPX and scenario files
    WindowDialogs& dialogs;        // failures, notices, About, the question before the browser
    HelpViewer& helpViewer;        // the help window over pelora.qch
    Browser& browser;              // opens the maker's site
    ProgramEnd& programEnd;        // leaves the event loop once the port is closed
    std::string applicationName;   // the settings' application: the executable's name
    CoastlineSource* coastline = nullptr;  // the track view's coast; none: the view says so
};

}  // namespace pelora
