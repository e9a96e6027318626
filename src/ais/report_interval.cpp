#include "ais/report_interval.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace pelora {

namespace {

using std::chrono::milliseconds;

// ITU-R M.1371-5, Annex 1, Table 1: class A reporting intervals. Rows in order; the first whose
// top speed is not exceeded applies. An interval of 3 1/3 s is kept to the millisecond, so
// that three reports take ten seconds on average.
struct ClassARow {
    double topSpeedKnots;
    milliseconds steady;
    milliseconds changingCourse;
};
constexpr ClassARow kClassARows[] = {
    {14, milliseconds(10000), milliseconds(3333)},   // 0-14 knots: 10 s, changing course 3 1/3 s
    {23, milliseconds(6000), milliseconds(2000)},    // 14-23 knots: 6 s, changing course 2 s
    {std::numeric_limits<double>::infinity(), milliseconds(2000), milliseconds(2000)},  // above 23 knots: 2 s
};
// At anchor or moored and not moving faster than 3 knots: 3 minutes.
constexpr double kMooredTopSpeedKnots = 3;
constexpr milliseconds kMooredInterval = std::chrono::minutes(3);

// Class B "CS", from the rows for equipment other than class A in the same recommendation's
// reporting intervals: 3 minutes at up to 2 knots, 30 seconds above.
constexpr double kClassBSlowTopSpeedKnots = 2;
constexpr milliseconds kClassBSlowInterval = std::chrono::minutes(3);
constexpr milliseconds kClassBInterval = std::chrono::seconds(30);

}  // namespace

milliseconds positionReportInterval(AisClass aisClass, double speedKnots, double rateOfTurnDegPerMin,
                                    NavigationStatus status) {
    const double speed = std::isfinite(speedKnots) ? speedKnots : 0;
    if (aisClass == AisClass::B) return speed <= kClassBSlowTopSpeedKnots ? kClassBSlowInterval : kClassBInterval;

    const bool anchoredOrMoored = status == NavigationStatus::AtAnchor || status == NavigationStatus::Moored;
    if (anchoredOrMoored && speed <= kMooredTopSpeedKnots) return kMooredInterval;
    const bool changingCourse = std::isfinite(rateOfTurnDegPerMin) && std::fabs(rateOfTurnDegPerMin) > kChangingCourseDegPerMin;
    for (const ClassARow& row : kClassARows) {
        if (speed <= row.topSpeedKnots) return changingCourse ? row.changingCourse : row.steady;
    }
    return kClassARows[std::size(kClassARows) - 1].steady;
}

}  // namespace pelora
