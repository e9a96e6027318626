#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chart/geo.h"

namespace pelora {

// The simulated ship as the chart shows it.
struct OwnShip {
    GeoPoint position;
    double headingDegrees = 0;  // where the bow points, true
    double courseDegrees = 0;   // course over ground, true
    double speedKnots = 0;      // speed over ground
};

// One waypoint of a route.
struct RouteWaypoint {
    std::string name;
    GeoPoint position;
    friend bool operator==(const RouteWaypoint&, const RouteWaypoint&) = default;
};

// A route: leg i runs from waypoint i to waypoint i + 1.
struct ChartRoute {
    std::string name;
    std::vector<RouteWaypoint> waypoints;
    std::optional<std::size_t> activeLeg;  // the leg being sailed, if any
    double arrivalRadiusNm = 0;            // the circle around each waypoint; 0 draws none
};

// An AIS target with its closest point of approach, as the caller computed it.
struct ChartTarget {
    std::string name;  // may be empty: the MMSI stands in for it
    std::uint32_t mmsi = 0;
    GeoPoint position;
    double courseDegrees = 0;              // course over ground, true
    double speedKnots = 0;                 // speed over ground
    std::optional<double> headingDegrees;  // none when the target does not report it
    std::optional<double> cpaNm;           // distance at the closest point of approach
    std::optional<double> tcpaMinutes;     // time to it; negative once it has passed
};

// Everything the chart draws besides the tracks, handed over whole once a second.
struct ChartSnapshot {
    std::optional<OwnShip> ship;
    std::optional<ChartRoute> route;
    std::vector<ChartTarget> targets;
};

}  // namespace pelora
