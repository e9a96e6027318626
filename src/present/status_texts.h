#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <vector>

#include "nmea/fix.h"
#include "scenario/route_follower.h"
#include "scenario/source_error.h"

namespace pelora {

// The receiver's state as the status line's tool tip tells it: "3D fix, 9 satellites used,
// HDOP 0.9", "Differential fix, 10 satellites used, HDOP 0.8", "No fix, 0 satellites used".
std::string fixStateText(const Fix& fix);

// The status line's tool tip: the serial port's reason, the receiver's state and the faults
// injected so far ("Faults injected: bad-checksum: 6, duplicate: 3"), one a line; an empty
// part is left out.
std::string statusToolTip(const std::string& portTip, const std::string& fixText, const std::string& faultCounts);

// A followed route's progress for the playback line: "Route Harbour approach: leg 1 of 2 to
// Fairway, 1.24 NM to go" (an unnamed waypoint by its number, "002", as the route sentences
// name it); "Route Harbour approach: leg 1 of 2" before its first tick;
// "Route Harbour approach: arrived" once the last waypoint is reached. A route without a name
// is "Route".
std::string routeProgressText(const RouteFollower& route);

// A scenario's progress: "Scenario harbour: 00:01:05 of 00:30:00", without an end
// "Scenario harbour: 00:01:05" (hours grow beyond 99 as needed).
std::string scenarioProgressText(const std::string& name, std::chrono::seconds elapsed,
                                 std::optional<std::chrono::seconds> end);

// The playback line while no voyage plays: the scenario's progress and the route's, either
// left out when empty: "Scenario harbour: 00:01:05 of 00:30:00; Route Harbour approach: ...".
std::string progressLineText(const std::string& scenarioProgress, const std::string& routeProgress);

// Why a scenario file did not run: every problem, each on its line naming the file and line,
// then "The scenario was not run."
std::string scenarioRefusalText(const std::vector<SourceError>& errors);

// What the Sentences dialog says of the serial line's budget at `baud` (0: no serial line
// runs), given the last note of the run cycle ("" when the last second fitted).
std::string budgetText(const std::string& lastNote, int baud);

}  // namespace pelora
