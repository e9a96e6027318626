#include "chart/chart_grid.h"

#include <array>
#include <cmath>

#include "chart/chart_text.h"

namespace pelora {

namespace {

constexpr int kTenthsPerDegree = 600;
constexpr long long kTenthsPerHalfTurn = 180LL * kTenthsPerDegree;
constexpr int kTenthsPerMinute = 10;
constexpr std::array<int, 18> kGridSpacingsTenths{1,   2,   5,   10,   20,   50,   100,   150,   200,
                                                  300, 600, 1200, 3000, 6000, 9000, 12000, 18000, 27000};
constexpr std::array<double, 18> kScaleBarLengthsNm{0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1,    2,    5,
                                                    10,   20,   50,   100, 200, 500, 1000, 2000, 5000};

// The folded value in degrees of `tenths` tenths of a minute of longitude.
double foldedLongitudeOfTenths(long long tenths) {
    long long folded = (tenths + kTenthsPerHalfTurn) % (2 * kTenthsPerHalfTurn);
    if (folded < 0) folded += 2 * kTenthsPerHalfTurn;
    folded -= kTenthsPerHalfTurn;
    if (folded == -kTenthsPerHalfTurn) folded = kTenthsPerHalfTurn;  // 180°, written without E or W
    return static_cast<double>(folded) / kTenthsPerDegree;
}

int labelDecimals(int spacingTenths) { return spacingTenths < kTenthsPerMinute ? 1 : 0; }

}  // namespace

int gridSpacingTenths(double pixelsPerDegree) {
    for (int spacing : kGridSpacingsTenths) {
        if (spacing * pixelsPerDegree / kTenthsPerDegree >= kMinGridGapPixels) return spacing;
    }
    return kGridSpacingsTenths.back();
}

ChartGrid chartGrid(const ChartView& view) {
    ChartGrid grid;
    const ScreenSize size = view.size();
    if (size.width <= 0 || size.height <= 0) return grid;
    const GeoBox box = view.visibleBox();
    const double centreLat = view.centre().lat;

    grid.meridianSpacingTenths = gridSpacingTenths(view.pixelsPerDegree());
    const int lonSpacing = grid.meridianSpacingTenths;
    const auto firstMeridian = static_cast<long long>(std::ceil(box.west * kTenthsPerDegree / lonSpacing));
    const auto lastMeridian = static_cast<long long>(std::floor(box.east * kTenthsPerDegree / lonSpacing));
    for (long long k = firstMeridian; k <= lastMeridian; ++k) {
        const long long tenths = k * lonSpacing;
        const double x = view.toScreen(WorldPoint{static_cast<double>(tenths) / kTenthsPerDegree, 0}).x;
        grid.meridians.push_back(
            {x, angleText(foldedLongitudeOfTenths(tenths), false, labelDecimals(lonSpacing))});
    }

    // Along a meridian one degree of latitude spans pixelsPerDegree / cos(lat) pixels.
    grid.parallelSpacingTenths = gridSpacingTenths(view.pixelsPerNauticalMile(centreLat) * 60);
    const int latSpacing = grid.parallelSpacingTenths;
    const long long limitTenths = static_cast<long long>(kChartLatitudeLimitDegrees) * kTenthsPerDegree;
    const auto firstParallel = static_cast<long long>(std::ceil(box.south * kTenthsPerDegree / latSpacing));
    const auto lastParallel = static_cast<long long>(std::floor(box.north * kTenthsPerDegree / latSpacing));
    for (long long k = firstParallel; k <= lastParallel; ++k) {
        const long long tenths = k * latSpacing;
        if (tenths > limitTenths || tenths < -limitTenths) continue;
        const double lat = static_cast<double>(tenths) / kTenthsPerDegree;
        const double y = view.toScreen(WorldPoint{0, mercatorY(lat)}).y;
        grid.parallels.push_back({y, angleText(lat, true, labelDecimals(latSpacing))});
    }
    return grid;
}

ScaleBar scaleBar(const ChartView& view, double maxPixels) {
    const double pixelsPerNm = view.pixelsPerNauticalMile(view.centre().lat);
    double chosen = kScaleBarLengthsNm.front();
    for (double length : kScaleBarLengthsNm) {
        if (length * pixelsPerNm <= maxPixels) chosen = length;
    }
    return {chosen, chosen * pixelsPerNm, nauticalMilesText(chosen)};
}

}  // namespace pelora
