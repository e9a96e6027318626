#include "ais/target_motion.h"

#include <algorithm>
#include <cmath>

#include "ais/flat_chart.h"

namespace pelora {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kLongestTurningStep{1000};
constexpr long long kMostStepsPerMove = 3600;
constexpr double kSecondsPerMinute = 60;
constexpr double kMillisecondsPerSecond = 1000;

// Targets move without sea or noise: the motion step never draws. Should it ever, it gets 0.
class NoDraws final : public RandomSource {
public:
    float next() override { return 0.0f; }
};

// An angle folded into (-180, 180].
double signedAngle(double degrees) {
    const double folded = std::remainder(degrees, 360.0);
    return folded == -180 ? 180 : folded;
}

double foldedDegrees(double degrees) {
    double folded = std::fmod(degrees, 360.0);
    if (folded < 0) folded += 360;
    return folded >= 360 ? 0 : folded;
}

}  // namespace

TargetMotion::TargetMotion(const AisTarget& target)
    : m_route(target.route),
      m_legStart{target.lat, target.lon},
      m_arrivalRadiusNm(target.arrivalRadiusNm),
      m_routeTurnDegPerSec(target.routeTurnDegPerMin / kSecondsPerMinute),
      m_routeRepeats(target.routeRepeats) {
    m_ship.Ship_Lat = target.lat;
    m_ship.Ship_Lon = target.lon;
    m_ship.Ship_Speed = target.speedKnots;
    m_ship.Ship_Heading = foldedDegrees(target.courseDeg);
    m_ship.AutoPilot_Dir = m_ship.Ship_Heading;
    m_turnDegPerSec = target.rateOfTurnDegPerMin / kSecondsPerMinute;
    m_ship.Ship_ROT = m_route.empty() ? m_turnDegPerSec : 0;
    m_ship.Demand_ROT = m_ship.Ship_ROT;
    if (target.headingDeg) m_headingOffsetDeg = signedAngle(*target.headingDeg - target.courseDeg);
    m_inputs.demanded_speed = target.speedKnots;
    m_inputs.mode = SteeringMode::RateOfTurn;
}

double TargetMotion::rateOfTurnDegPerMin() const { return m_ship.Ship_ROT * kSecondsPerMinute; }

double TargetMotion::headingDeg() const { return foldedDegrees(m_ship.Ship_Heading + m_headingOffsetDeg); }

void TargetMotion::advance(milliseconds elapsed) {
    if (elapsed <= milliseconds::zero()) return;
    const bool onRoute = m_nextWaypoint < m_route.size();
    if (!onRoute && m_ship.Demand_ROT == 0) {
        step(elapsed);
        return;
    }
    milliseconds stepLength = kLongestTurningStep;
    if (elapsed.count() > kLongestTurningStep.count() * kMostStepsPerMove) {
        stepLength = milliseconds((elapsed.count() + kMostStepsPerMove - 1) / kMostStepsPerMove);
    }
    for (milliseconds left = elapsed; left > milliseconds::zero(); left -= stepLength) {
        step(std::min(stepLength, left));
    }
}

void TargetMotion::step(milliseconds stepLength) {
    const double seconds = static_cast<double>(stepLength.count()) / kMillisecondsPerSecond;
    if (m_nextWaypoint < m_route.size()) steerForWaypoint(seconds);
    m_inputs.elapsed_ms = static_cast<double>(stepLength.count());
    NoDraws noDraws;
    advanceShip(m_ship, m_inputs, noDraws);
    if (m_nextWaypoint < m_route.size()) passWaypoints();
}

void TargetMotion::steerForWaypoint(double stepSeconds) {
    const TargetWaypoint& to = m_route[m_nextWaypoint];
    const double bearing = chartBearing(chartOffset(m_ship.Ship_Lat, m_ship.Ship_Lon, to.lat, to.lon));
    const double largestTurn = m_routeTurnDegPerSec * stepSeconds;
    const double turn = std::clamp(signedAngle(bearing - m_ship.Ship_Heading), -largestTurn, largestTurn);
    m_ship.Demand_ROT = turn / stepSeconds;
}

void TargetMotion::passWaypoints() {
    // Each waypoint at most once per step, so that a route of coincident waypoints cannot hold
    // the step for ever.
    for (std::size_t passed = 0; passed < m_route.size() && m_nextWaypoint < m_route.size(); ++passed) {
        const TargetWaypoint& to = m_route[m_nextWaypoint];
        const ChartOffset toGo = chartOffset(m_ship.Ship_Lat, m_ship.Ship_Lon, to.lat, to.lon);
        const ChartOffset leg = chartOffset(m_legStart.lat, m_legStart.lon, to.lat, to.lon);
        const bool inside = std::hypot(toGo.eastNm, toGo.northNm) <= m_arrivalRadiusNm;
        const bool beyond = leg.eastNm * toGo.eastNm + leg.northNm * toGo.northNm <= 0;
        if (!inside && !beyond) return;
        m_legStart = to;
        ++m_nextWaypoint;
        if (m_nextWaypoint == m_route.size()) {
            if (m_routeRepeats) {
                m_nextWaypoint = 0;
            } else {
                m_ship.Demand_ROT = 0;  // done: hold the course
                m_ship.Ship_ROT = 0;
            }
        }
    }
}

}  // namespace pelora
