#pragma once

#include <span>

#include "nmea/fix.h"

namespace pelora {

// What the geometry of the satellites used allows: the fix's dimension and its dilution.
struct Geometry {
    FixState state = FixState::NoFix;  // NoFix, Fix2D or Fix3D
    // 3D: all three. 2D (height held): pdop equal to hdop and vdop 0. No fix: all 0.
    Dop dop;
    // The position's covariance for a range error of one metre: east, north, their cross term
    // and up, square metres (up 0 in 2D).
    double eastEast = 0;
    double northNorth = 0;
    double eastNorth = 0;
    double upUp = 0;
};

// The largest PDOP (HDOP in 2D) at which a fix is still reported.
inline constexpr double kMaxPositionDop = 25;

// Least squares over the satellites of `satellites` whose `used` flag is set, from their unit
// lines of sight in the local east-north-up frame. The unknowns are east, north, up and one
// receiver clock for each satellite system present (the systems' time scales differ), so a 3D
// fix needs three satellites more than systems, a 2D fix (up held) two. 3D when that count is
// met and PDOP is at most kMaxPositionDop, else 2D when its count is met and HDOP is at most
// kMaxPositionDop, else no fix. Every value returned is finite.
Geometry solveGeometry(std::span<const SatelliteView> satellites);

}  // namespace pelora
