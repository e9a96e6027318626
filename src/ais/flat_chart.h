#pragma once

namespace pelora {

// A displacement on a chart, nautical miles east and north.
struct ChartOffset {
    double eastNm = 0;
    double northNm = 0;
};

// The displacement from one position to another on a local flat chart, as the ship's motion
// step moves: a minute of latitude is a nautical mile, a minute of longitude that times the
// cosine of the mean latitude; the longitude difference taken the short way round.
ChartOffset chartOffset(double fromLat, double fromLon, double toLat, double toLon);

// The bearing, degrees in [0, 360) from true north, of a displacement; 0 for none.
double chartBearing(const ChartOffset& offset);

}  // namespace pelora
