#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ais/ais_target.h"
#include "scenario/route.h"
#include "scenario/route_follower.h"
#include "scenario/wire_faults.h"
#include "sim/date_time.h"
#include "sim/random_source.h"

namespace pelora {

// The receiver profiles a scenario may name. The receiver model maps them to its own.
enum class ScenarioProfile { SingleSentence, MarineGps23, MultiGnss410, Custom };

// "Single sentence", "Marine GPS (NMEA 2.3)", "Multi-GNSS (NMEA 4.10)", "Custom".
std::string_view scenarioProfileName(ScenarioProfile profile);
// The profile named exactly so, or nothing.
std::optional<ScenarioProfile> scenarioProfileFromName(std::string_view name);
inline constexpr std::array<std::string_view, 4> kScenarioProfileNames{
    "Single sentence", "Marine GPS (NMEA 2.3)", "Multi-GNSS (NMEA 4.10)", "Custom"};

// The talkers a scenario may name.
inline constexpr std::array<std::string_view, 5> kScenarioTalkers{"GP", "GN", "GL", "GA", "GB"};

// What an event of the timeline does; the run cycle maps each to its own controls.
namespace action {
struct SetSpeed { double knots = 0; };                 // demanded speed
struct SetCourse { double degrees = 0; };              // steer this course (by autopilot)
struct SetRateOfTurn { double degreesPerSecond = 0; }; // turn at this rate, positive to starboard
struct SetSeaState { double metres = 0; };             // largest sea displacement per step; 0 off
struct SetGpsNoise { double metres = 0; };             // largest GPS noise offset; 0 off
struct ChangeProfile { ScenarioProfile profile = ScenarioProfile::SingleSentence; };
struct ChangeTalker { std::string talker; };           // one of kScenarioTalkers
struct LoseFix {};                                     // the receiver loses its fix
struct RegainFix {};                                   // and finds it again
// Satellites in the sector from azimuthFrom clockwise to azimuthTo (degrees true; past north
// when from > to) and below the elevation are no longer seen. Masks add up.
struct MaskSky {
    double azimuthFromDegrees = 0;
    double azimuthToDegrees = 0;
    double elevationBelowDegrees = 0;
};
struct ClearSkyMask {};                                // every satellite seen again
struct DegradeHdop { double factor = 1; };             // HDOP times this; 1 restores it
struct StepClock { std::chrono::seconds delta{0}; };   // the clock jumps (either way)
struct SwitchFault { FaultSetting fault; };               // a fault on the wire for its window
struct EndRun {};                                      // the run ends here
}  // namespace action

using ScenarioAction =
    std::variant<action::SetSpeed, action::SetCourse, action::SetRateOfTurn, action::SetSeaState,
                 action::SetGpsNoise, action::ChangeProfile, action::ChangeTalker, action::LoseFix,
                 action::RegainFix, action::MaskSky, action::ClearSkyMask, action::DegradeHdop,
                 action::StepClock, action::SwitchFault, action::EndRun>;

// One event of the timeline: what happens, at which simulated time since the start.
struct ScenarioEvent {
    std::chrono::seconds at{0};
    ScenarioAction action;
    int line = 0;  // where the event stands in its file
};

// A position in signed decimal degrees.
struct GeoPosition {
    double latitude = 0;
    double longitude = 0;
};

// How the run starts. What the file leaves out and has "nothing" is as the window or the
// command line has it.
struct ScenarioStart {
    std::optional<GeoPosition> position;     // nothing in the file: the route's first waypoint
    DateTime utc{2000, 1, 1, 0, 0, 0};       // UTC; the same time gives the same bytes
    std::optional<double> speedKnots;
    std::optional<double> courseDegrees;
    std::optional<ScenarioProfile> profile;  // nothing: as the window or command line has it
    std::optional<std::string> talker;       // nothing: as the profile has it
    std::uint64_t seed = ProgramRandom::kStartState;
};

// A whole scenario, as read from its file.
struct Scenario {
    std::string file;
    ScenarioStart start;
    std::optional<Route> route;
    double arrivalCircleNm = kDefaultArrivalCircleNm;
    std::vector<ScenarioEvent> events;       // in time order (equal times in file order)
    std::vector<AisTarget> targets;          // AIS targets around the ship, each checked
    std::optional<std::chrono::seconds> end; // when the run ends, if an event says so
};

}  // namespace pelora
