#include "ais/flat_chart.h"

#include <cmath>

#include "sim/navigation.h"

namespace pelora {

namespace {
constexpr double kMinutesPerDegree = 60;  // a minute of latitude is a nautical mile
}  // namespace

ChartOffset chartOffset(double fromLat, double fromLon, double toLat, double toLon) {
    const double dLon = std::remainder(toLon - fromLon, 360.0);  // -180..180
    const double meanLat = (fromLat + toLat) / 2;
    return {dLon * kMinutesPerDegree * std::cos(meanLat * kDegreesToRadians), (toLat - fromLat) * kMinutesPerDegree};
}

double chartBearing(const ChartOffset& offset) {
    if (offset.eastNm == 0 && offset.northNm == 0) return 0;
    double degrees = std::atan2(offset.eastNm, offset.northNm) * kRadiansToDegrees;
    if (degrees < 0) degrees += 360;
    return degrees >= 360 ? 0 : degrees;
}

}  // namespace pelora
