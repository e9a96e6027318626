#pragma once

// A long voyage through the real main window, one simulated second per tick: the ship runs
// with GPS noise, sea state and ship response on, the steering changes between autopilot and
// hand steering every few hours with the step buttons pressed in between, and the sentence
// type goes round GLL, GGA and RMC. Every tick is checked: the voyage grows by exactly one
// fix, the fix is a valid sentence, the ship's position is finite and in range.

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>

#include "sentence_check.h"
#include "ui/FRM_NMEA.h"
#include "ui/value_check_box.h"

namespace pelora::testing {

struct LongRunReport {
    std::size_t ticks = 0;
    std::size_t faults = 0;      // ticks whose checks failed
    std::string firstFault;      // what the first failed check said
    std::size_t modeChanges = 0;
    std::size_t stepPresses = 0;
};

// Runs `ticks` steps. `advanceClock` moves the window's clock on by one second; the window's
// own timer must be stopped so that only this drives the steps.
inline LongRunReport runLongVoyage(FRM_NMEA& window, const std::function<void()>& advanceClock,
                                   std::size_t ticks) {
    constexpr std::size_t kTicksPerHour = 3600;
    constexpr std::size_t kModeChangeTicks = 3 * kTicksPerHour;
    constexpr std::size_t kStepPressTicks = 600;

    auto field = [&](const char* name) { return window.findChild<QLineEdit*>(QString::fromLatin1(name)); };
    auto box = [&](const char* name) { return window.findChild<ValueCheckBox*>(QString::fromLatin1(name)); };
    auto* types = window.findChild<QComboBox*>(QStringLiteral("cmb_NMEA"));

    field("txt_SPEED")->setText(QStringLiteral("12"));
    field("txt_GPS_NOISE")->setText(QStringLiteral("10"));
    field("txt_Heavy_Sea")->setText(QStringLiteral("4"));
    field("txt_SHIP_Response")->setText(QStringLiteral("20"));
    field("txt_DPS")->setText(QStringLiteral("4"));
    for (const char* name : {"chk_GPS_Noise", "chk_Heavy_Sea", "chk_Ship_Response", "chk_sum"}) {
        box(name)->setValue(ValueCheckBox::kTicked);
    }
    window.txt_DIR_Click();
    window.CMD_GO_Click(0);

    LongRunReport report;
    auto fault = [&report](std::size_t tick, const std::string& what) {
        if (report.faults++ == 0) {
            report.firstFault = "tick " + std::to_string(tick) + ": " + what;
        }
    };
    for (std::size_t tick = 0; tick < ticks; ++tick) {
        if (tick % kTicksPerHour == 0) {
            types->setCurrentIndex(static_cast<int>((tick / kTicksPerHour) % 3));
        }
        if (tick % kModeChangeTicks == 0 && tick > 0) {
            if (window.autopilotOn()) {
                window.txt_ROT_Click();
                field("txt_ROT")->setText(QStringLiteral("0.5"));
            } else {
                window.txt_DIR_Click();
            }
            ++report.modeChanges;
        }
        if (tick % kStepPressTicks == kStepPressTicks / 2) {
            // Course right a degree, or the rate of turn a half degree either way.
            if (window.autopilotOn()) {
                window.Label17_Click();
            } else if ((tick / kStepPressTicks) % 2 == 0) {
                window.Label14_Click();
            } else {
                window.Label15_Click();
            }
            ++report.stepPresses;
        }

        const std::size_t before = window.voyage().fixCount();
        advanceClock();
        window.Timer1_Timer();
        ++report.ticks;
        if (window.voyage().fixCount() != before + 1) {
            fault(tick, "the voyage grew from " + std::to_string(before) + " to " +
                            std::to_string(window.voyage().fixCount()));
            continue;
        }
        const std::string& sentence = window.voyage().fixes().back();
        if (const std::string what = sentenceFault(sentence); !what.empty()) {
            fault(tick, what + ": " + sentence);
        }
        const double lat = window.ship().Ship_Lat;
        const double lon = window.ship().Ship_Lon;
        if (!std::isfinite(lat) || !std::isfinite(lon) || std::abs(lat) > 90 || std::abs(lon) > 180) {
            fault(tick, "position out of range: " + std::to_string(lat) + ", " + std::to_string(lon));
        }
    }
    return report;
}

// The heap bytes the voyage list holds: the slots in use (or all the list has room for, with
// `withSpareRoom`) and each sentence's text.
inline std::size_t voyageBytes(const FRM_NMEA& window, bool withSpareRoom = false) {
    const auto& list = window.Voyage_Log();
    std::size_t bytes = (withSpareRoom ? list.capacity() : list.size()) * sizeof(std::string);
    for (const std::string& fix : list) {
        if (fix.capacity() > 15) {  // longer texts live outside the string object
            bytes += fix.capacity() + 1;
        }
    }
    return bytes;
}

// The resident memory of this process in bytes, from /proc/self/statm; 0 when unknown.
inline std::size_t residentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) {
        return 0;
    }
    unsigned long pages = 0;
    unsigned long resident = 0;
    const int read = std::fscanf(statm, "%lu %lu", &pages, &resident);
    std::fclose(statm);
    return read == 2 ? resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace pelora::testing
