#pragma once

#include <cmath>

#include "chart/chart_snapshot.h"

namespace pelora::testing {

// A target's closest approach to the ship as relative motion on a flat chart puts it (a minute of
// latitude a mile, a minute of longitude that times the cosine of the mean latitude), worked
// out here apart from the program's own, from the positions and vectors the view has.
struct RelativeApproach {
    double cpaNm;
    double hours;  // until the closest approach
};

inline RelativeApproach approachByRelativeMotion(const OwnShip& ship, const ChartTarget& target) {
    constexpr double kRadians = 3.14159265358979323846 / 180;
    const double meanLat = (ship.position.lat + target.position.lat) / 2 * kRadians;
    const double east = (target.position.lon - ship.position.lon) * 60 * std::cos(meanLat);
    const double north = (target.position.lat - ship.position.lat) * 60;
    const double vEast = target.speedKnots * std::sin(target.courseDegrees * kRadians) -
                         ship.speedKnots * std::sin(ship.courseDegrees * kRadians);
    const double vNorth = target.speedKnots * std::cos(target.courseDegrees * kRadians) -
                          ship.speedKnots * std::cos(ship.courseDegrees * kRadians);
    const double hours = -(east * vEast + north * vNorth) / (vEast * vEast + vNorth * vNorth);
    return {std::hypot(east + vEast * hours, north + vNorth * hours), hours};
}

}  // namespace pelora::testing
