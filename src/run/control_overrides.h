#pragma once

#include <functional>
#include <optional>
#include <string>

#include "config/config_form.h"
#include "run/run_cycle.h"

namespace pelora {

// Control values given on the command line. Each one given is put into its control before the
// first tick, as the operator would set it; none of them is saved.
struct ControlOverrides {
    std::optional<std::string> sentence;        // --sentence: GLL, GGA or RMC
    bool checksum = false;                      // --checksum: "Use CheckSum" ticked
    std::optional<std::string> decimalPlaces;   // --decimals
    bool noLeadingZeros = false;                // --no-leading-zeros: "Output Leading Zeros" clear
    std::optional<std::string> latitude;        // --lat, in a form the position box reads
    std::optional<std::string> longitude;       // --lon
    std::optional<std::string> speed;           // --speed, knots
    std::optional<std::string> course;          // --course: autopilot on this course
    std::optional<std::string> rate;            // --rate: steering at this rate of turn
    std::optional<std::string> responseSeconds; // --response: ship response on
    std::optional<std::string> seaMetres;       // --sea: sea state on
    std::optional<std::string> noiseMetres;     // --noise: GPS noise on
    bool seaOff = false;                        // sea state off (a scenario's sea_state = 0)
    bool noiseOff = false;                      // GPS noise off (a scenario's gps_noise = 0)
    std::optional<int> port;                    // --port: COM n selected (1..16)
};

// What a front end does around the overrides.
struct OverrideHooks {
    // Before the course text goes in: autopilot becomes the steering mode.
    std::function<void()> autopilot;
    // Before the rate text goes in: steering at a rate of turn becomes the mode.
    std::function<void()> steering;
    // Control `name`'s stored value went from `before` to `given` for this run only.
    std::function<void(const std::string& name, const std::string& before, const std::string& given)> record;
    // The port given is the one the list shows already: no selection change will open it.
    std::function<void()> portShownAlready;
};

// Puts the overrides into the controls of `form` (the main window's names: cmb_NMEA, chk_sum,
// txt_DPS, ...) as the operator would, each write running the control's own change reaction.
// A course also becomes the autopilot's course and a rate the demanded rate of `cycle`.
void applyControlOverrides(ConfigForm& form, const ControlOverrides& overrides, RunCycle& cycle,
                           const OverrideHooks& hooks);

// The controls a tick reads, from a form with the main window's control names, each text read
// as the window reads it (leniently; the decimal places rounded; the position boxes as typed
// positions). `steering` is the mode the front end shows.
RunControls readRunControls(ConfigForm& form, SteeringMode steering);

}  // namespace pelora
