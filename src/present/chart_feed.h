#pragma once

#include <span>
#include <string>
#include <vector>

#include "ais/ais_fleet.h"
#include "chart/chart_snapshot.h"
#include "nmea/fix.h"
#include "scenario/gpx.h"
#include "scenario/route.h"
#include "scenario/route_follower.h"

namespace pelora {

// What the track view draws of the simulation this second: the ship at `fix` (no ship without
// one), the route being followed (`route`, may be null) with its active leg and arrival circle,
// and every target of `fleet` where it is now, with its closest point of approach to the ship
// (none without a fix). The route's first leg, from where the ship joined it to the first
// waypoint, is no leg of the chart: no leg is active on it.
ChartSnapshot chartSnapshot(const Fix* fix, const RouteFollower* route, const AisFleet& fleet);

// The positions of a recorded track, in order.
std::vector<GeoPoint> trackPoints(std::span<const TrackFix> track);

// A route of the waypoints built on the chart, named `name`.
Route routeOf(const std::string& name, std::span<const RouteWaypoint> waypoints);

}  // namespace pelora
