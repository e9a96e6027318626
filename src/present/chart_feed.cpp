#include "present/chart_feed.h"

namespace pelora {

ChartSnapshot chartSnapshot(const Fix* fix, const RouteFollower* route, const AisFleet& fleet) {
    ChartSnapshot snapshot;
    if (fix != nullptr) {
        snapshot.ship = OwnShip{{fix->latitude, fix->longitude}, fix->headingDegrees, fix->cogDegrees, fix->sogKnots};
    }
    if (route != nullptr) {
        ChartRoute shown;
        shown.name = route->route().name;
        for (const Waypoint& waypoint : route->route().waypoints) {
            shown.waypoints.push_back({waypoint.name, {waypoint.latitude, waypoint.longitude}});
        }
        const FollowerState state = route->state();
        if (!state.finished && state.activeWaypoint > 0) {
            shown.activeLeg = state.activeWaypoint - 1;
        }
        shown.arrivalRadiusNm = route->arrivalCircleNm() > 0 ? route->arrivalCircleNm() : 0;
        snapshot.route = std::move(shown);
    }
    std::vector<ClosestApproach> approaches;
    if (fix != nullptr) {
        approaches = fleet.closestApproaches(Movement{fix->latitude, fix->longitude, fix->sogKnots, fix->cogDegrees});
    }
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        const AisTarget& target = fleet.target(i);
        const TargetMotion& motion = fleet.motion(i);
        ChartTarget shown;
        shown.name = target.name;
        shown.mmsi = target.mmsi;
        shown.position = {motion.lat(), motion.lon()};
        shown.courseDegrees = motion.courseDeg();
        shown.speedKnots = motion.speedKnots();
        shown.headingDegrees = motion.headingDeg();
        if (i < approaches.size()) {
            shown.cpaNm = approaches[i].cpaNm;
            // Moving alike, the two never come closer: a distance with no time to it.
            if (!approaches[i].steady) shown.tcpaMinutes = approaches[i].tcpaMin;
        }
        snapshot.targets.push_back(std::move(shown));
    }
    return snapshot;
}

std::vector<GeoPoint> trackPoints(std::span<const TrackFix> track) {
    std::vector<GeoPoint> points;
    points.reserve(track.size());
    for (const TrackFix& fix : track) {
        points.push_back({fix.latitude, fix.longitude});
    }
    return points;
}

Route routeOf(const std::string& name, std::span<const RouteWaypoint> waypoints) {
    Route route;
    route.name = name;
    for (const RouteWaypoint& waypoint : waypoints) {
        route.waypoints.push_back({waypoint.name, waypoint.position.lat, waypoint.position.lon});
    }
    return route;
}

}  // namespace pelora
