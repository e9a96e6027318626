#include "sim/ship_motion.h"

#include <cmath>

#include "sim/navigation.h"
#include "text/number_text.h"

namespace pelora {

namespace {

// Knots times milliseconds to degrees of latitude: 3600 s/h x 1000 ms/s x 60 nmi/degree.
constexpr double kKnotMillisecondsPerDegree = 216000000;
constexpr double kMetresPerDegree = 111120;
constexpr double kMillisecondsPerSecond = 1000;
constexpr double kCourseThresholdKnots = 0.1;

// A number that is not finite (a field typed as 1e999) counts as 0.
double finiteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }

// Keeps a position on the globe: a latitude past a pole is reflected back over it with the
// longitude turned half a circle, and the longitude is folded into -180..180. Values already in
// range are left exactly as they are.
void keepOnGlobe(double& lat, double& lon) {
    if (lat > 90 || lat < -90) {
        lat = std::fmod(lat, 360.0);  // now in (-360, 360)
        if (lat > 180) lat -= 360;
        if (lat < -180) lat += 360;
        if (lat > 90) {
            lat = 180 - lat;
            lon += 180;
        } else if (lat < -90) {
            lat = -180 - lat;
            lon += 180;
        }
    }
    if (lon > 180 || lon < -180) {
        lon = std::fmod(lon + 180, 360.0);
        if (lon < 0) lon += 360;
        lon -= 180;
    }
}

// Folds a heading fully into [0, 360) when one turn each way was not enough.
double foldHeading(double heading) {
    Wrap_Heading(heading);
    if (heading >= 360 || heading < 0) {
        heading = std::fmod(heading, 360.0);
        if (heading < 0) heading += 360;
        if (heading >= 360) heading = 0;
    }
    return heading;
}

void sanitize(ShipState& ship) {
    ship.Ship_Lat = finiteOrZero(ship.Ship_Lat);
    ship.Ship_Lon = finiteOrZero(ship.Ship_Lon);
    ship.Ship_Speed = finiteOrZero(ship.Ship_Speed);
    ship.Ship_Heading = finiteOrZero(ship.Ship_Heading);
    ship.AutoPilot_Dir = finiteOrZero(ship.AutoPilot_Dir);
    ship.Ship_ROT = finiteOrZero(ship.Ship_ROT);
    ship.Demand_ROT = finiteOrZero(ship.Demand_ROT);
    keepOnGlobe(ship.Ship_Lat, ship.Ship_Lon);
}

// A random displacement of up to `largest_metres` in a random direction, in degrees of
// latitude (east still unscaled): two draws, the distance first, then the direction.
struct Offset {
    double east = 0;
    double north = 0;
};

Offset randomOffset(double largest_metres, RandomSource& random) {
    const float r1 = random.next();
    const double distance = largest_metres * r1;
    const float r2 = random.next();
    const double direction = r2 * 6.28318530717958;
    return {std::sin(direction) * distance / kMetresPerDegree,
            std::cos(direction) * distance / kMetresPerDegree};
}

StepResult restingResult(const ShipState& ship) {
    StepResult result;
    result.reported_lat = ship.Ship_Lat;
    result.reported_lon = ship.Ship_Lon;
    return result;
}

}  // namespace

StepResult advanceShip(ShipState& ship, const StepInputs& inputs, RandomSource& random) {
    sanitize(ship);

    if (inputs.first_step) {
        // The course box sets both the demanded course and the heading, unwrapped; nothing moves
        // and the over-ground readouts stay as they were.
        ship.AutoPilot_Dir = finiteOrZero(inputs.dir_number);
        ship.Ship_Heading = ship.AutoPilot_Dir;
        return restingResult(ship);
    }

    const double dt = finiteOrZero(inputs.elapsed_ms);
    if (dt <= 0) {
        // No time has passed (or the clock went back): a step of no length changes nothing.
        return restingResult(ship);
    }

    double alpha = 1;
    const double timeConstant = finiteOrZero(inputs.response_seconds);
    if (inputs.response_on && timeConstant > 0) {
        alpha = 1 - std::exp(-dt / (timeConstant * kMillisecondsPerSecond));
    }
    const double demandedSpeed = finiteOrZero(inputs.demanded_speed);

    const ShipState before = ship;
    StepResult result;

    if (inputs.mode == SteeringMode::Autopilot) {
        double delta = ship.AutoPilot_Dir - ship.Ship_Heading;
        if (delta > 180) delta -= 360;
        if (delta < -180) delta += 360;
        ship.Ship_Heading = foldHeading(ship.Ship_Heading + alpha * delta);
    } else {
        ship.Ship_ROT = ship.Ship_ROT + alpha * (ship.Demand_ROT - ship.Ship_ROT);
        ship.Ship_Heading = foldHeading(ship.Ship_Heading + ship.Ship_ROT * dt / kMillisecondsPerSecond);
    }
    ship.Ship_Speed = ship.Ship_Speed + (demandedSpeed - ship.Ship_Speed) * alpha;

    const double distance = ship.Ship_Speed * dt / kKnotMillisecondsPerDegree;
    const double h = ship.Ship_Heading * kDegreesToRadians;

    Offset sea;
    if (inputs.sea_on) sea = randomOffset(finiteOrZero(inputs.sea_metres), random);
    Offset noise;
    if (inputs.noise_on) noise = randomOffset(finiteOrZero(inputs.noise_metres), random);

    const double moveE = std::sin(h) * distance + sea.east;
    const double moveN = std::cos(h) * distance + sea.north;
    const double obsE = noise.east + moveE;
    const double obsN = moveN + noise.north;

    const double sog = std::sqrt(obsE * obsE + obsN * obsN) * kKnotMillisecondsPerDegree / dt;
    double cog = 0;
    if (std::fabs(sog) > kCourseThresholdKnots) cog = kRadiansToDegrees * Atan2(obsE, obsN);
    if (cog < 0) cog += 360;
    ship.COG_Text = formatCourse(cog);
    ship.SOG_Text = formatSpeed(sog);
    ship.cogDegrees = std::isfinite(cog) ? cog : 0;
    ship.sogKnots = std::isfinite(sog) ? sog : 0;
    result.readouts_changed = true;

    ship.Ship_Lon = ship.Ship_Lon + moveE / std::cos(ship.Ship_Lat * kDegreesToRadians);
    ship.Ship_Lat = ship.Ship_Lat + moveN;
    if (!std::isfinite(ship.Ship_Lat) || !std::isfinite(ship.Ship_Lon)) {
        // A movement beyond what a double holds: the ship stays where it was.
        ship.Ship_Lat = before.Ship_Lat;
        ship.Ship_Lon = before.Ship_Lon;
    }
    keepOnGlobe(ship.Ship_Lat, ship.Ship_Lon);
    if (!std::isfinite(ship.Ship_Speed)) ship.Ship_Speed = 0;
    if (!std::isfinite(ship.Ship_ROT)) ship.Ship_ROT = 0;
    if (!std::isfinite(ship.Ship_Heading)) ship.Ship_Heading = before.Ship_Heading;

    if (inputs.mode == SteeringMode::RateOfTurn) result.dir_text = heading_format(ship.Ship_Heading);

    const double c = std::cos(ship.Ship_Lat * kDegreesToRadians);
    result.reported_lon = noise.east / c + ship.Ship_Lon;
    result.reported_lat = noise.north + ship.Ship_Lat;
    if (!std::isfinite(result.reported_lat) || !std::isfinite(result.reported_lon)) {
        result.reported_lat = ship.Ship_Lat;
        result.reported_lon = ship.Ship_Lon;
    }
    keepOnGlobe(result.reported_lat, result.reported_lon);
    return result;
}

}  // namespace pelora
