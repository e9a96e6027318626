#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "ais/ais_target.h"
#include "sim/ship_motion.h"

namespace pelora {

// How a target moves: its state in the ship's own motion step (advanceShip, without response,
// sea or noise, so it draws no random numbers) and its progress along its route.
class TargetMotion {
public:
    // Starts at the target's position, course, speed and rate of turn. Requires a target that
    // checkTarget accepts.
    explicit TargetMotion(const AisTarget& target);

    // Moves the target on by `elapsed` (nothing for none or less). A target that turns or
    // follows a route moves in steps of at most a second, so that its path does not depend on
    // how often it is moved; a gap longer than an hour is cut into 3600 equal steps.
    void advance(std::chrono::milliseconds elapsed);

    double lat() const { return m_ship.Ship_Lat; }
    double lon() const { return m_ship.Ship_Lon; }
    double speedKnots() const { return m_ship.Ship_Speed; }
    double courseDeg() const { return m_ship.Ship_Heading; }
    double rateOfTurnDegPerMin() const;
    // The course plus the target's heading offset, in [0, 360); nothing without a heading.
    double headingDeg() const;
    // The index of the waypoint steered for; the route's size once it is done (or none).
    std::size_t nextWaypoint() const { return m_nextWaypoint; }

private:
    void steerForWaypoint(double stepSeconds);
    void passWaypoints();
    void step(std::chrono::milliseconds stepLength);

    ShipState m_ship;
    StepInputs m_inputs;
    double m_headingOffsetDeg = 0;
    double m_turnDegPerSec = 0;        // the target's own rate of turn, off a route
    std::vector<TargetWaypoint> m_route;
    std::size_t m_nextWaypoint = 0;
    TargetWaypoint m_legStart;
    double m_arrivalRadiusNm = 0;
    double m_routeTurnDegPerSec = 0;
    bool m_routeRepeats = false;
};

}  // namespace pelora
