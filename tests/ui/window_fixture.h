#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "config/memory_settings_store.h"
#include "support/fake_serial_control.h"
#include "support/fakes.h"
#include "ui/FRM_NMEA.h"

namespace pelora::testing {

// A main window with fakes for every outside service. The beat is a manual one, so that only
// the test decides when a step happens.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { window = std::make_unique<FRM_NMEA>(simulation, services()); }

    // Fakes for every outside service of the window; the settings store starts empty (a first
    // run).
    WindowServices services() {
        return WindowServices{clock,       ticker,  settings, configDialogs, fileDialogs,
                              dialogs,     helpViewer, browser, programEnd,  "pelora", coastline};
    }

    // A window over a simulation of its own, with `serialControl` and `store` in place of the
    // fakes' (the window must go before the fixture does).
    std::unique_ptr<FRM_NMEA> windowWith(SerialControl& serialControl, SettingsStore& store) {
        window.reset();
        ownSimulation = std::make_unique<Simulation>(
            SimulationServices{clock, random, serialControl, outputs, store, "pelora", "/run/pelora/ttyNMEA"});
        return std::make_unique<FRM_NMEA>(*ownSimulation,
                                          WindowServices{clock, ticker, store, configDialogs, fileDialogs, dialogs,
                                                         helpViewer, browser, programEnd, "pelora", coastline});
    }

    template <typename T>
    T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    FakeClock clock;
    FixedRandom random;
    ManualTicker ticker;
    FakeSerialControl serial;
    FakeOutputMaker outputs;
    MemorySettingsStore settings;
    Simulation simulation{SimulationServices{clock, random, serial, outputs, settings, "pelora", "/run/pelora/ttyNMEA"}};
    FakeConfigDialogs configDialogs;
    QueuedFileDialogs fileDialogs;
    FakeWindowDialogs dialogs;
    RecordingHelpViewer helpViewer;
    RecordingBrowser browser;
    CountingProgramEnd programEnd;
    CoastlineSource* coastline = nullptr;  // the track view's coast: none unless a test gives one
    // Short names for what the tests look at most.
    int& endings = programEnd.endings;
    std::vector<std::string>& errors = dialogs.errors;
    std::vector<std::string>& notices = dialogs.notices;
    bool& confirmBrowser = dialogs.online;
    std::unique_ptr<Simulation> ownSimulation;
    std::unique_ptr<FRM_NMEA> window;
};

}  // namespace pelora::testing
