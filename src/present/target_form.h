#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ais/ais_fleet.h"
#include "ais/ais_target.h"

namespace pelora {

// The AIS Targets dialog's fields of one target, as texts and choices.
struct TargetFields {
    std::string mmsi;
    std::string name;
    std::string callSign;
    std::string shipType;    // 0..99
    std::string length;      // metres
    std::string beam;        // metres
    std::string latitude;    // as the position boxes take it: "54N30.0000", or signed degrees
    std::string longitude;
    std::string course;      // degrees true
    std::string speed;       // knots
    std::string rateOfTurn;  // degrees a minute, positive to starboard
    NavigationStatus status = NavigationStatus::UnderWayUsingEngine;
    AisClass aisClass = AisClass::A;

    friend bool operator==(const TargetFields&, const TargetFields&) = default;
};

// The navigation statuses a user may pick, in list order, and their names ("Under way using
// engine", "At anchor", ...).
std::span<const NavigationStatus> navigationStatuses();
std::string_view navigationStatusName(NavigationStatus status);
// "A" or "B".
std::string_view aisClassName(AisClass aisClass);

// The fields of `target`: positions as the position boxes write them, course and speed to a
// tenth, rate of turn to a tenth of a degree a minute.
TargetFields targetFields(const AisTarget& target);

// The fields a new target starts from: at `lat`, `lon` (signed degrees, the own ship's
// position), stopped, nothing else known, and no MMSI yet.
TargetFields newTargetFields(double lat, double lon);

// The target the fields describe, or why there is none: a field that is not a number (or not a
// position) is named with what was typed; then whatever checkTarget finds.
struct TargetRead {
    std::optional<AisTarget> target;
    std::string problem;
};
TargetRead readTargetFields(const TargetFields& fields);

// The targets of `fleet` as they are now, each as it was added but where it is and moving as
// it moves now (course, speed, rate of turn, what is left of its route), so that a fleet made
// again of them goes on from here.
std::vector<AisTarget> targetsNow(const AisFleet& fleet);

// A fleet of `targets` in their order, or the first problem, naming the target ("Target 2:
// ..."): two with one MMSI, or one that checkTarget refuses.
struct FleetBuild {
    std::optional<AisFleet> fleet;
    std::string problem;
};
FleetBuild buildFleet(std::span<const AisTarget> targets);

}  // namespace pelora
