#include "scenario/route_follower.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "scenario/geodesy.h"

namespace pelora {

namespace {

constexpr double kRightAngleDegrees = 90;

// The smallest angle between two directions, degrees 0..180.
double angleBetween(double a, double b) {
    const double difference = std::fabs(std::fmod(a - b, 360.0));
    return difference > 180 ? 360 - difference : difference;
}

}  // namespace

RouteFollower::RouteFollower(Route route, double arrivalCircleNm)
    : m_route(std::move(route)),
      m_arrivalCircleNm(arrivalCircleNm),
      m_metresAfter(m_route.waypoints.size(), 0.0),
      m_finished(m_route.waypoints.empty()) {
    for (std::size_t i = m_route.waypoints.size(); i-- > 1;) {
        const Waypoint& from = m_route.waypoints[i - 1];
        const Waypoint& to = m_route.waypoints[i];
        m_metresAfter[i - 1] = m_metresAfter[i] + geodesicPath(from.latitude, from.longitude, to.latitude, to.longitude).metres;
    }
}

std::string RouteFollower::nameOf(std::size_t waypoint) const {
    const std::string& name = m_route.waypoints[waypoint].name;
    if (!name.empty()) return name;
    char number[24];
    std::snprintf(number, sizeof number, "%03zu", waypoint + 1);
    return number;
}

void RouteFollower::activate(std::size_t waypoint, double originLatitude, double originLongitude,
                             std::string originName) {
    m_active = waypoint;
    const Waypoint& destination = m_route.waypoints[waypoint];
    const GeodesicPath path =
        geodesicPath(originLatitude, originLongitude, destination.latitude, destination.longitude);
    m_geometry = LegGeometry{originLatitude, originLongitude, std::move(originName), path.metres, path.azimuthStart,
                             path.azimuthEnd};
}

RouteLeg RouteFollower::measure(double latitude, double longitude, double sogKnots, double cogDegrees) const {
    const Waypoint& destination = m_route.waypoints[m_active];
    const GeodesicPath toDestination = geodesicPath(latitude, longitude, destination.latitude, destination.longitude);
    const TrackOffset offset = trackOffset(m_geometry.originLatitude, m_geometry.originLongitude,
                                           destination.latitude, destination.longitude, latitude, longitude);
    RouteLeg leg;
    leg.originName = m_geometry.originName;
    leg.destinationName = nameOf(m_active);
    leg.originLatitude = m_geometry.originLatitude;
    leg.originLongitude = m_geometry.originLongitude;
    leg.destinationLatitude = destination.latitude;
    leg.destinationLongitude = destination.longitude;
    leg.bearingToDestination = toDestination.azimuthStart;
    leg.bearingOriginToDestination = m_geometry.metres > 0 ? m_geometry.bearingAtOrigin : toDestination.azimuthStart;
    leg.headingToSteer = toDestination.azimuthStart;
    leg.distanceToDestinationNm = toDestination.metres / kMetresPerNauticalMile;
    leg.distanceToRouteEndNm = (toDestination.metres + m_metresAfter[m_active]) / kMetresPerNauticalMile;
    leg.crossTrackNm = std::fabs(offset.crossTrackMetres) / kMetresPerNauticalMile;
    // Right of the track: steer left to regain it.
    leg.steer = offset.crossTrackMetres > 0 ? SteerDirection::Left : SteerDirection::Right;
    leg.closingVelocityKnots =
        sogKnots * std::cos((cogDegrees - toDestination.azimuthStart) / kDegreesPerRadian);
    leg.arrivalCircleEntered = leg.distanceToDestinationNm <= m_arrivalCircleNm;
    if (m_geometry.metres > 0 && toDestination.metres > 0) {
        // Beyond the line through the waypoint at right angles to the leg: the waypoint lies
        // behind, less than a right angle from the leg's own direction at the waypoint.
        const double backBearing = geodesicPath(destination.latitude, destination.longitude, latitude, longitude).azimuthStart;
        leg.perpendicularPassed = angleBetween(backBearing, m_geometry.bearingAtDestination) < kRightAngleDegrees;
    }
    return leg;
}

std::optional<double> RouteFollower::update(double latitude, double longitude, double sogKnots, double cogDegrees) {
    if (m_finished) {
        m_leg.reset();
        return std::nullopt;
    }
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) return std::nullopt;
    if (!std::isfinite(sogKnots) || !std::isfinite(cogDegrees)) sogKnots = cogDegrees = 0;
    if (!m_started) {
        m_started = true;
        activate(0, latitude, longitude, {});
    }
    RouteLeg leg = measure(latitude, longitude, sogKnots, cogDegrees);
    std::optional<RouteLeg> reached;
    while (leg.arrivalCircleEntered || leg.perpendicularPassed) {
        reached = leg;
        if (m_active + 1 == m_route.waypoints.size()) {
            m_finished = true;
            m_current = reached;
            m_leg = reached;
            return std::nullopt;
        }
        const Waypoint& from = m_route.waypoints[m_active];
        activate(m_active + 1, from.latitude, from.longitude, nameOf(m_active));
        leg = measure(latitude, longitude, sogKnots, cogDegrees);
    }
    m_current = leg;
    if (reached) {
        reached->headingToSteer = leg.headingToSteer;
        m_leg = reached;
    } else {
        m_leg = leg;
    }
    return leg.headingToSteer;
}

FollowerState RouteFollower::state() const {
    FollowerState state;
    state.routeName = m_route.name;
    state.activeWaypoint = m_active;
    state.waypointCount = m_route.waypoints.size();
    state.finished = m_finished;
    if (m_current) {
        state.distanceToWaypointNm = m_current->distanceToDestinationNm;
        state.distanceToEndNm = m_current->distanceToRouteEndNm;
    }
    return state;
}

}  // namespace pelora
