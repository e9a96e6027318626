#pragma once

#include <string>
#include <vector>

#include "chart/chart_view.h"

namespace pelora {

// Grid lines are at least this far apart on the screen.
inline constexpr double kMinGridGapPixels = 90;

// One meridian or parallel of the grid: where it crosses the screen (x for a meridian, y for a
// parallel) and its label.
struct GridLine {
    double screen = 0;
    std::string label;
};

// The latitude and longitude grid of a view: meridians as vertical lines, parallels as
// horizontal ones (north is up on Mercator), each labelled as angleText writes it.
struct ChartGrid {
    int meridianSpacingTenths = 0;  // tenths of a minute of arc between meridians
    int parallelSpacingTenths = 0;  // between parallels
    std::vector<GridLine> meridians;
    std::vector<GridLine> parallels;
};

// The smallest of the grid's spacings (0.1', 0.2', 0.5', 1', 2', 5', 10', 15', 20', 30', 1°,
// 2°, 5°, 10°, 15°, 20°, 30°, 45°), in tenths of a minute, whose lines come at least
// kMinGridGapPixels apart when one degree spans `pixelsPerDegree`; the largest when none does.
int gridSpacingTenths(double pixelsPerDegree);

// The grid over the view. Parallels use the scale at the centre's latitude; none lies beyond
// the chart's latitude limit. Labels show tenths of a minute when the spacing is below a minute.
ChartGrid chartGrid(const ChartView& view);

// A scale bar: its length in nautical miles, in pixels at the centre's latitude, and its text.
struct ScaleBar {
    double lengthNm = 0;
    double pixels = 0;
    std::string label;
};

// The longest of the lengths 1, 2 and 5 times a power of ten (0.01 to 5000 NM) whose bar is at
// most `maxPixels` long at the centre of the view; the shortest when none is that short.
ScaleBar scaleBar(const ChartView& view, double maxPixels);

}  // namespace pelora
