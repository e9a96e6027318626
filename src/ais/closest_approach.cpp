#include "ais/closest_approach.h"

#include <cmath>

#include "ais/flat_chart.h"
#include "sim/navigation.h"

namespace pelora {

namespace {

constexpr double kMinutesPerHour = 60;
// Relative speeds below this (knots squared) count as none: the ships move alike.
constexpr double kSteadyRelativeSpeedSquared = 1e-12;

struct Velocity {
    double east = 0;
    double north = 0;
};

Velocity velocityOf(const Movement& movement) {
    const double course = movement.courseDeg * kDegreesToRadians;
    return {movement.speedKnots * std::sin(course), movement.speedKnots * std::cos(course)};
}

}  // namespace

ClosestApproach closestApproach(const Movement& own, const Movement& target) {
    const ChartOffset r = chartOffset(own.lat, own.lon, target.lat, target.lon);
    const Velocity ownVelocity = velocityOf(own);
    const Velocity targetVelocity = velocityOf(target);
    const double vEast = targetVelocity.east - ownVelocity.east;
    const double vNorth = targetVelocity.north - ownVelocity.north;

    ClosestApproach approach;
    approach.rangeNm = std::hypot(r.eastNm, r.northNm);
    approach.bearingDeg = chartBearing(r);
    const double speedSquared = vEast * vEast + vNorth * vNorth;
    if (!(speedSquared >= kSteadyRelativeSpeedSquared)) {
        approach.cpaNm = approach.rangeNm;
        approach.steady = true;
        return approach;
    }
    const double hours = -(r.eastNm * vEast + r.northNm * vNorth) / speedSquared;
    approach.cpaNm = std::hypot(r.eastNm + vEast * hours, r.northNm + vNorth * hours);
    approach.tcpaMin = hours * kMinutesPerHour;
    approach.opening = hours < 0;
    return approach;
}

}  // namespace pelora
