#pragma once

#include <cstdint>
#include <vector>

#include "nmea/fix.h"
#include "receiver/constellation.h"
#include "sim/random_source.h"

namespace pelora {

// A part of the sky the antenna cannot see (behind a bridge or a cliff): the azimuths from
// `fromAzimuthDeg` clockwise to `toAzimuthDeg`, below `upToElevationDeg`. `to` equal to `from`
// (or a whole turn from it) hides every azimuth below that elevation.
struct BlockedSector {
    double fromAzimuthDeg = 0;
    double toAzimuthDeg = 0;
    double upToElevationDeg = 0;
};

// What the user sets of the receiver.
struct ReceiverSettings {
    std::vector<GnssSystem> systems{GnssSystem::Gps};  // tracked, in the order they are reported
    double elevationMaskDeg = 5;        // satellites lower than this are not in view (0..90)
    double antennaAltitudeMetres = 0;   // above mean sea level
    bool fixAvailable = true;           // false: the fix is taken away, the sky stays
    bool differential = false;          // differential corrections, when the fix is 3D
    std::vector<BlockedSector> blockedSectors;
    double hdopFactor = 1;              // HDOP (and the horizontal errors) multiplied by this
    double noiseMetres = 0;             // the GPS-noise setting: the largest position offset
};

// The most satellites a fix uses.
inline constexpr int kMostSatellitesUsed = 12;

// The largest dilution a sentence can carry; larger values are reported as this.
inline constexpr double kLargestDop = 99.9;

// The simulated receiver: the sky of the nominal constellations over the ship, the satellites
// it tracks and uses, the fix state, the dilution and the error estimates.
class Receiver {
public:
    // `seed` starts the receiver's own random numbers (the signal-to-noise values); the ship
    // motion's random numbers are never drawn here.
    explicit Receiver(std::uint64_t seed);

    // Fills the receiver's part of `fix` for the ship at (latitudeDeg, longitudeDeg) at
    // `utcMilliseconds` since 1970-01-01 UTC: state, satellitesUsed, dop, satellites (every
    // satellite of the tracked systems at or above the mask, in system then svid order; those
    // in a blocked sector have no signal-to-noise value and are never used), errors,
    // altitudeMetres and geoidSeparationMetres. Up to kMostSatellitesUsed tracked satellites
    // are used, the highest first. The position, time and texts of `fix` are left as they are.
    // Draws two random numbers per satellite in view, so that the same seed, settings and
    // inputs give the same values. A position that is not finite gives no fix and no sky.
    void observe(const ReceiverSettings& settings, double latitudeDeg, double longitudeDeg,
                 std::int64_t utcMilliseconds, Fix& fix);

private:
    ProgramRandom m_random;
    std::vector<SatellitePosition> m_positions;  // kept between ticks to spare the allocation
};

}  // namespace pelora
