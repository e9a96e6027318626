#pragma once

namespace pelora {

// Where a ship is and how it moves over ground.
struct Movement {
    double lat = 0;          // signed degrees
    double lon = 0;          // signed degrees
    double speedKnots = 0;
    double courseDeg = 0;    // from true north
};

// A target's closest point of approach to the own ship, if both hold their course and speed.
struct ClosestApproach {
    double rangeNm = 0;      // the distance now
    double bearingDeg = 0;   // true bearing of the target from the own ship now, [0, 360)
    double cpaNm = 0;        // the least distance
    double tcpaMin = 0;      // minutes until then; negative when it has passed (opening)
    bool opening = false;    // the distance grows from now on
    bool steady = false;     // both move alike: the distance never changes (CPA the range, TCPA 0)
};

// The closest point of approach of `target` to `own` from the standard relative-motion formulas
// on a local flat chart (a minute of latitude a nautical mile, longitude scaled by the cosine
// of the mean latitude): relative position r and velocity v of the target, TCPA = -(r.v)/|v|^2,
// CPA = |r + v TCPA|.
ClosestApproach closestApproach(const Movement& own, const Movement& target);

}  // namespace pelora
