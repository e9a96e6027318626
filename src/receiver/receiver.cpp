#include "receiver/receiver.h"

#include <GeographicLib/Geocentric.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "receiver/geometry.h"

namespace pelora {

namespace {

constexpr double kDegreesPerRadian = 180 / std::numbers::pi;
constexpr double kMillisecondsPerSecond = 1000;
constexpr double kDefaultMaskDeg = 5;
constexpr double kFullTurnDeg = 360;

// Carrier to noise: this much at the horizon, rising with the sine of the elevation by the
// gain, plus a triangular spread of up to the spread either way.
constexpr double kSnrHorizonDbHz = 32;
constexpr double kSnrZenithGainDb = 16;
constexpr double kSnrSpreadDb = 3;
constexpr double kSnrLargestDbHz = 99;

// Every satellite of the four systems' constellations.
constexpr std::size_t kMostInView = 4 * 24;
// A noise setting above this counts as this, so that every figure stays finite.
constexpr double kLargestNoiseMetres = 1e7;

// The geoid is taken as the WGS-84 ellipsoid (no geoid model is installed): mean sea level is
// the ellipsoid, and the separation reported is 0.
constexpr double kGeoidSeparationMetres = 0;

// The GPS-noise offsets are uniform in distance up to the setting, so their horizontal RMS is
// the setting over root 3; the range error is taken as that RMS, which an HDOP of 1 maps back
// onto the same horizontal RMS.
const double kRangeErrorPerNoise = 1 / std::sqrt(3.0);

double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

bool inSector(const BlockedSector& sector, double azimuthDeg, double elevationDeg) {
    if (!std::isfinite(sector.fromAzimuthDeg) || !std::isfinite(sector.toAzimuthDeg) ||
        !(elevationDeg < sector.upToElevationDeg)) {
        return false;
    }
    double width = std::fmod(sector.toAzimuthDeg - sector.fromAzimuthDeg, kFullTurnDeg);
    if (width <= 0) width += kFullTurnDeg;
    double along = std::fmod(azimuthDeg - sector.fromAzimuthDeg, kFullTurnDeg);
    if (along < 0) along += kFullTurnDeg;
    return along <= width;
}

bool blocked(const ReceiverSettings& settings, const SatelliteView& satellite) {
    return std::any_of(settings.blockedSectors.begin(), settings.blockedSectors.end(), [&](const BlockedSector& s) {
        return inSector(s, satellite.azimuthDeg, satellite.elevationDeg);
    });
}

// The systems of `settings` once each, in their order.
std::vector<GnssSystem> distinctSystems(const std::vector<GnssSystem>& systems) {
    std::vector<GnssSystem> out;
    for (GnssSystem system : systems) {
        if (std::find(out.begin(), out.end(), system) == out.end()) out.push_back(system);
    }
    return out;
}

// The error figures for a range error of `rangeMetres`, horizontal ones times `hdopFactor`.
FixErrors errorsOf(const Geometry& geometry, double rangeMetres, double hdopFactor) {
    FixErrors errors;
    const double horizontal = rangeMetres * hdopFactor;
    errors.rangeRms = rangeMetres;
    errors.latitude = std::sqrt(geometry.northNorth) * horizontal;
    errors.longitude = std::sqrt(geometry.eastEast) * horizontal;
    errors.altitude = std::sqrt(geometry.upUp) * rangeMetres;
    // The error ellipse: the principal axes of the east-north covariance.
    const double mean = (geometry.northNorth + geometry.eastEast) / 2;
    const double half = (geometry.northNorth - geometry.eastEast) / 2;
    const double radius = std::hypot(half, geometry.eastNorth);
    errors.semiMajor = std::sqrt(mean + radius) * horizontal;
    errors.semiMinor = std::sqrt(std::max(0.0, mean - radius)) * horizontal;
    double orientation = 0.5 * std::atan2(2 * geometry.eastNorth, geometry.northNorth - geometry.eastEast) *
                         kDegreesPerRadian;
    if (orientation < 0) orientation += kFullTurnDeg / 2;
    errors.orientationDeg = orientation;
    return errors;
}

}  // namespace

Receiver::Receiver(std::uint64_t seed) : m_random(seed) {}

void Receiver::observe(const ReceiverSettings& settings, double latitudeDeg, double longitudeDeg,
                       std::int64_t utcMilliseconds, Fix& fix) {
    fix.state = FixState::NoFix;
    fix.satellitesUsed = 0;
    fix.dop = {};
    fix.errors = {};
    fix.satellites.clear();
    const double altitude = finiteOr(settings.antennaAltitudeMetres, 0);
    fix.altitudeMetres = altitude;
    fix.geoidSeparationMetres = kGeoidSeparationMetres;
    if (!std::isfinite(latitudeDeg) || !std::isfinite(longitudeDeg) || std::fabs(latitudeDeg) > 90) return;

    const double utcSeconds = static_cast<double>(utcMilliseconds) / kMillisecondsPerSecond;
    m_positions.clear();
    for (GnssSystem system : distinctSystems(settings.systems)) nominalPositions(system, utcSeconds, m_positions);

    // The antenna in the Earth-fixed frame, and the rotation from east-north-up into it.
    double antennaX = 0;
    double antennaY = 0;
    double antennaZ = 0;
    std::vector<double> rotation(9);
    GeographicLib::Geocentric::WGS84().Forward(latitudeDeg, longitudeDeg, altitude + kGeoidSeparationMetres,
                                               antennaX, antennaY, antennaZ, rotation);

    const double mask = std::clamp(finiteOr(settings.elevationMaskDeg, kDefaultMaskDeg), 0.0, 90.0);
    for (const SatellitePosition& position : m_positions) {
        const double dx = position.x - antennaX;
        const double dy = position.y - antennaY;
        const double dz = position.z - antennaZ;
        const double east = rotation[0] * dx + rotation[3] * dy + rotation[6] * dz;
        const double north = rotation[1] * dx + rotation[4] * dy + rotation[7] * dz;
        const double up = rotation[2] * dx + rotation[5] * dy + rotation[8] * dz;
        if (up < 0) continue;  // below the horizon, so below any mask
        const double elevation = std::atan2(up, std::hypot(east, north)) * kDegreesPerRadian;
        if (elevation < mask) continue;
        double azimuth = std::atan2(east, north) * kDegreesPerRadian;
        if (azimuth < 0) azimuth += kFullTurnDeg;

        SatelliteView satellite;
        satellite.system = position.system;
        satellite.svid = position.svid;
        satellite.elevationDeg = elevation;
        satellite.azimuthDeg = azimuth;
        const double spread = (m_random.next() + m_random.next() - 1.0) * kSnrSpreadDb;
        if (!blocked(settings, satellite)) {
            const double snr = kSnrHorizonDbHz + kSnrZenithGainDb * std::sin(elevation / kDegreesPerRadian) + spread;
            satellite.snrDbHz = static_cast<int>(std::lround(std::clamp(snr, 0.0, kSnrLargestDbHz)));
        }
        fix.satellites.push_back(satellite);
    }
    if (!settings.fixAvailable) return;

    // The tracked satellites, highest first (ties in list order); the first twelve are used.
    std::array<std::size_t, kMostInView> order{};
    std::size_t tracked = 0;
    for (std::size_t i = 0; i < fix.satellites.size() && tracked < order.size(); ++i) {
        if (fix.satellites[i].snrDbHz >= 0) order[tracked++] = i;
    }
    const std::size_t used = std::min<std::size_t>(tracked, kMostSatellitesUsed);
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(used),
                      order.begin() + static_cast<std::ptrdiff_t>(tracked), [&](std::size_t a, std::size_t b) {
                          const double ea = fix.satellites[a].elevationDeg;
                          const double eb = fix.satellites[b].elevationDeg;
                          return ea != eb ? ea > eb : a < b;
                      });
    for (std::size_t i = 0; i < used; ++i) fix.satellites[order[i]].used = true;

    const Geometry geometry = solveGeometry(fix.satellites);
    if (geometry.state == FixState::NoFix) {
        for (SatelliteView& satellite : fix.satellites) satellite.used = false;
        return;
    }
    const double hdopFactor =
        settings.hdopFactor > 0 && std::isfinite(settings.hdopFactor) ? std::min(settings.hdopFactor, kLargestDop) : 1;
    fix.state = geometry.state == FixState::Fix3D && settings.differential ? FixState::Differential : geometry.state;
    fix.satellitesUsed = static_cast<int>(used);
    fix.dop.hdop = std::min(geometry.dop.hdop * hdopFactor, kLargestDop);
    fix.dop.vdop = std::min(geometry.dop.vdop, kLargestDop);
    fix.dop.pdop = std::min(std::hypot(fix.dop.hdop, fix.dop.vdop), kLargestDop);
    const double noise = std::clamp(finiteOr(settings.noiseMetres, 0), 0.0, kLargestNoiseMetres);
    fix.errors = errorsOf(geometry, noise * kRangeErrorPerNoise, hdopFactor);
}

}  // namespace pelora
