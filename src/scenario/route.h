#pragma once

#include <string>
#include <vector>

namespace pelora {

// The largest latitude and longitude either way, degrees.
inline constexpr double kLargestLatitude = 90;
inline constexpr double kLargestLongitude = 180;

// One point of a route: signed decimal degrees on WGS-84.
struct Waypoint {
    std::string name;      // may be empty
    double latitude = 0;   // -90..90
    double longitude = 0;  // -180..180
};

// An ordered list of waypoints to follow, from a GPX route or track, a scenario file or clicks.
struct Route {
    std::string name;
    std::vector<Waypoint> waypoints;
};

}  // namespace pelora
