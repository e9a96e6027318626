#pragma once

#include <vector>

#include "nmea/fix.h"

namespace pelora {

// A satellite's position in the Earth-fixed frame (WGS-84 axes), metres.
struct SatellitePosition {
    GnssSystem system = GnssSystem::Gps;
    int svid = 0;
    double x = 0;
    double y = 0;
    double z = 0;
};

// Appends to `out` the position of every satellite of `system`'s nominal constellation at
// `utcSeconds` (seconds since 1970-01-01 00:00:00 UTC, fractions allowed), in svid order.
// Circular orbits, no nodal precession: the planes keep their place among the stars, the Earth
// turns under them. A time that is not finite counts as 1970-01-01.
void nominalPositions(GnssSystem system, double utcSeconds, std::vector<SatellitePosition>& out);

// The number of satellites in `system`'s nominal constellation.
int nominalSatelliteCount(GnssSystem system);

}  // namespace pelora
