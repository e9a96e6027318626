#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "nmea/fix.h"
#include "scenario/route.h"

namespace pelora {

// A waypoint counts as reached inside this radius (or on passing the line through it at right
// angles to the leg): 0.1 nautical miles, 185.2 metres.
inline constexpr double kDefaultArrivalCircleNm = 0.1;

// Where the follower stands, for the window, the headless runner and the tests.
struct FollowerState {
    std::string routeName;
    std::size_t activeWaypoint = 0;  // index of the destination waypoint; the active leg leads to it
    std::size_t waypointCount = 0;
    bool finished = false;           // the last waypoint has been reached
    double distanceToWaypointNm = 0; // at the last update
    double distanceToEndNm = 0;      // to the waypoint, then along the remaining legs
};

// Follows a route with the ship's autopilot: each tick it gives the course to steer (the
// geodesic bearing to the active waypoint; the ship's own motion step does the rest) and the
// active leg for the route sentences. The ship joins the route where it is at the first update:
// the first leg runs from there to the first waypoint. A waypoint is reached inside the arrival
// circle or on passing the line through it at right angles to the leg; then the next one is
// active (in the same tick, should it already be reached too). At the last waypoint the route is
// finished: the follower gives no more course (the ship holds the one it has) and no leg.
class RouteFollower {
public:
    // An empty route is finished from the start. With an arrival circle of 0 or less only
    // passing the line through a waypoint reaches it.
    explicit RouteFollower(Route route, double arrivalCircleNm = kDefaultArrivalCircleNm);

    // One tick from the position the receiver reports (signed degrees) and the speed and course
    // over ground of the last step. Gives the course for the autopilot, degrees true in
    // [0, 360), or nothing once the route is finished (or for a position that is not a number,
    // which changes nothing). The leg of this tick is then leg(): on the
    // tick a waypoint is reached, the leg that led to it (arrival flags set); afterwards the next.
    std::optional<double> update(double latitude, double longitude, double sogKnots, double cogDegrees);

    // This tick's leg for Fix::leg; nothing before the first update and once finished (after
    // the tick that reached the last waypoint).
    const std::optional<RouteLeg>& leg() const { return m_leg; }

    FollowerState state() const;
    const Route& route() const { return m_route; }
    // The radius of the circle in which a waypoint counts as reached, nautical miles.
    double arrivalCircleNm() const { return m_arrivalCircleNm; }

private:
    struct LegGeometry {
        double originLatitude = 0;
        double originLongitude = 0;
        std::string originName;
        double metres = 0;
        double bearingAtOrigin = 0;
        double bearingAtDestination = 0;
    };

    void activate(std::size_t waypoint, double originLatitude, double originLongitude, std::string originName);
    RouteLeg measure(double latitude, double longitude, double sogKnots, double cogDegrees) const;
    std::string nameOf(std::size_t waypoint) const;

    Route m_route;
    double m_arrivalCircleNm;
    std::vector<double> m_metresAfter;  // for each waypoint, the length of the route beyond it
    bool m_started = false;
    bool m_finished = false;
    std::size_t m_active = 0;
    LegGeometry m_geometry;
    std::optional<RouteLeg> m_leg;      // reported this tick
    std::optional<RouteLeg> m_current;  // towards the active waypoint (the reached one once finished)
};

}  // namespace pelora
