#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/date_time.h"

namespace pelora {

// The satellite systems a receiver may track.
enum class GnssSystem { Gps, Glonass, Galileo, Beidou };

// What the receiver knows of its position this second.
enum class FixState { NoFix, Fix2D, Fix3D, Differential };

// The NMEA 0183 versions a receiver profile speaks. They differ in the fields a sentence carries
// (mode indicators from 2.3, system and signal ids from 4.10, the navigational status of RMC).
enum class NmeaVersion { V23, V410, V411 };

// One satellite above the elevation mask, as the receiver sees it.
struct SatelliteView {
    GnssSystem system = GnssSystem::Gps;
    int svid = 0;               // the system's own number: GPS PRN 1..32, GLONASS slot 1..24,
                                // Galileo 1..36, BeiDou 1..63
    double elevationDeg = 0;    // 0..90
    double azimuthDeg = 0;      // 0..360, clockwise from true north
    int snrDbHz = -1;           // carrier to noise, dB-Hz; -1 when not tracked
    bool used = false;          // used in the fix
};

// Dilution of precision of the satellites used.
struct Dop {
    double pdop = 0;
    double hdop = 0;
    double vdop = 0;
};

// The error estimates a GST sentence reports, metres (orientation in degrees from true north).
struct FixErrors {
    double rangeRms = 0;
    double semiMajor = 0;
    double semiMinor = 0;
    double orientationDeg = 0;
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
};

// Which way to steer to regain the track of a route leg.
enum class SteerDirection { Left, Right };

// The active leg of a followed route as the route sentences (RMB, APB, XTE, BWC, BOD) report
// it: from the origin waypoint to the destination waypoint, measured on the WGS-84 ellipsoid
// from the reported position. Bearings are true, degrees in [0, 360); distances nautical miles.
struct RouteLeg {
    std::string originName;         // "" when the leg starts where the ship joined the route
    std::string destinationName;
    double originLatitude = 0;
    double originLongitude = 0;
    double destinationLatitude = 0;
    double destinationLongitude = 0;
    double bearingOriginToDestination = 0;  // initial geodesic azimuth at the origin
    double bearingToDestination = 0;        // initial geodesic azimuth from the present position
    double headingToSteer = 0;              // the course the autopilot is given
    double distanceToDestinationNm = 0;
    double distanceToRouteEndNm = 0;        // to the destination, then along the remaining legs
    double crossTrackNm = 0;                // distance from the leg's geodesic, never negative
    SteerDirection steer = SteerDirection::Left;
    double closingVelocityKnots = 0;        // speed over ground towards the destination
    bool arrivalCircleEntered = false;
    bool perpendicularPassed = false;
};

// Everything a sentence of one tick is composed from: one value, so that every sentence of a
// burst reports the same fix. The seed's single sentence uses the position, the time, the two
// over-ground texts and the format choices only.
struct Fix {
    // The reported position (the true one plus this tick's GPS noise), signed degrees.
    double latitude = 0;
    double longitude = 0;
    // One reading of the clock, so that date and time never straddle midnight.
    DateTime time;
    int millisecond = 0;        // 0..999, for the fractional seconds of the receiver forms

    // Over ground, as the motion step formats them ("0.0" and "000.0"; empty before the first
    // full step) and as numbers.
    std::string sogText;
    std::string cogText;
    double sogKnots = 0;
    double cogDegrees = 0;
    double headingDegrees = 0;  // true heading of the ship

    // The receiver's state (bursts; the seed's forms write fixed literals instead).
    FixState state = FixState::Fix3D;
    int satellitesUsed = 0;
    Dop dop;
    std::vector<SatelliteView> satellites;  // in view, above the mask
    double altitudeMetres = 0;              // antenna above mean sea level
    double geoidSeparationMetres = 0;       // WGS-84 ellipsoid above mean sea level
    FixErrors errors;

    // How positions are written (the window's decimal places and leading-zeros choice).
    int decimalPlaces = 4;
    bool leadingZeros = true;

    // The active leg while a route is followed; nothing otherwise (the route sentences then
    // give no line).
    std::optional<RouteLeg> leg;
};

}  // namespace pelora
