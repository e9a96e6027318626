#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "chart/chart_snapshot.h"
#include "chart/geo.h"

namespace pelora {

// A latitude or longitude in degrees and minutes as a navigator writes it: "54°30'N",
// "1°15'W", with `minuteDecimals` decimals of the minute ("54°30.5'N"). Rounded halves up to the
// last decimal shown, carrying into the degrees. The equator, the prime meridian and 180° carry
// no hemisphere letter ("0°00'", "180°00'"). Requires 0 <= minuteDecimals <= 6.
std::string angleText(double degrees, bool latitude, int minuteDecimals);

// A position with thousandths of a minute, latitude first: "54°30.125'N 1°15.500'W".
std::string positionText(GeoPoint position);

// The text shown for a target's closest point of approach: "CPA 0.52 NM in 12.3 min", or
// "CPA 0.52 NM 3.0 min ago" once it has passed; "CPA 0.52 NM" without a time; empty without a
// distance.
std::string cpaText(std::optional<double> cpaNm, std::optional<double> tcpaMinutes);

// The label beside a target: its name (or "MMSI 235012345" when it has none), and on a second
// line its CPA text when there is one.
std::string targetLabel(const ChartTarget& target);

// A length in nautical miles as the scale bar writes it: "0.5 NM", "20 NM".
std::string nauticalMilesText(double nm);

// A waypoint's tool tip: its name, the route's name when there is one, and its position on a
// second line: "Fairway, route Tees approach\n54°31.200'N 1°12.000'W".
std::string waypointText(const RouteWaypoint& waypoint, const std::string& routeName);

// The name of the n-th waypoint of a route built by clicking: "WP1", "WP2", ...
std::string draftWaypointName(std::size_t number);

// The distance and time to the closest point of approach as the label writes them: the
// distance to hundredths of a mile and the time to tenths of a minute.
struct ShownCpa {
    double cpaNm = 0;
    std::optional<double> tcpaMinutes;
};
std::optional<ShownCpa> shownCpa(const ChartTarget& target);

}  // namespace pelora
