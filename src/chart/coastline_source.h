#pragma once

#include <vector>

#include "chart/geo.h"

namespace pelora {

// One piece of coast: an open line, or a closed ring when `closed` (the last point joins the
// first).
struct CoastLine {
    std::vector<GeoPoint> points;
    bool closed = false;
};

// Where the chart's coasts come from (a data file of the operating system, or a fake).
class CoastlineSource {
public:
    virtual ~CoastlineSource() = default;

    // The coast lines in and around `box`, with no two neighbouring points much closer than
    // `resolutionDegrees` where the source can thin them. Longitudes lie within a turn of the
    // box's own, so that they can be drawn as they are; a line may reach somewhat beyond the box.
    virtual std::vector<CoastLine> linesIn(const GeoBox& box, double resolutionDegrees) = 0;
};

}  // namespace pelora
