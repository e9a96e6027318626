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
    void SetUp() override { window = std::make_unique<FRM_NMEA>(services()); }

    // Fakes for every outside service; the settings store starts empty (a first run).
    WindowServices services() {
        return WindowServices{clock,       random,          ticker,   serial,     outputs,
                              settings,    configDialogs,   fileDialogs, dialogs, helpViewer,
                              browser,     programEnd,      "pelora"};
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
    FakeOutputs outputs;
    MemorySettingsStore settings;
    FakeConfigDialogs configDialogs;
    QueuedFileDialogs fileDialogs;
    FakeWindowDialogs dialogs;
    RecordingHelpViewer helpViewer;
    RecordingBrowser browser;
    CountingProgramEnd programEnd;
    // Short names for what the tests look at most.
    int& endings = programEnd.endings;
    std::vector<std::string>& errors = dialogs.errors;
    std::vector<std::string>& notices = dialogs.notices;
    bool& confirmBrowser = dialogs.online;
    std::unique_ptr<FRM_NMEA> window;
};

}  // namespace pelora::testing
