#include "receiver/constellation.h"

#include <array>
#include <cmath>
#include <numbers>

namespace pelora {

namespace {

constexpr double kEarthGravityM3PerS2 = 3.986004418e14;     // mu of WGS-84
constexpr double kEarthRotationRadPerS = 7.2921151467e-5;   // of WGS-84
constexpr double kRadPerDegree = std::numbers::pi / 180;

// Every constellation is placed at one epoch, the epoch of the GPS table below:
// 1993-07-01 00:00:00 UTC, when the Greenwich hour angle was 18h 36m 14.4s.
constexpr double kEpochSeconds = 741484800;
constexpr double kGreenwichAngleAtEpochDeg = (18 + 36.0 / 60 + 14.4 / 3600) * 15;

struct Slot {
    double raanDeg;                // right ascension of the ascending node at the epoch
    double argumentOfLatitudeDeg;  // at the epoch
};

// The GPS baseline 24-slot constellation: the reference orbit slot assignments of the GPS
// Standard Positioning Service Performance Standard (2001), Table 3-1, slots A1..F4 in table
// order. The program numbers the slots PRN 1..24 in this order (A1 is PRN 1, F4 is PRN 24);
// the real satellites' numbers differ.
constexpr std::array<Slot, 24> kGpsSlots{{
    {272.847, 268.126}, {272.847, 161.786}, {272.847, 11.676},  {272.847, 41.806},   // A1..A4
    {332.847, 80.956},  {332.847, 173.336}, {332.847, 309.976}, {332.847, 204.376},  // B1..B4
    {32.847, 111.876},  {32.847, 11.796},   {32.847, 339.666},  {32.847, 241.556},   // C1..C4
    {92.847, 135.226},  {92.847, 265.446},  {92.847, 35.156},   {92.847, 167.356},   // D1..D4
    {152.847, 197.046}, {152.847, 302.596}, {152.847, 66.066},  {152.847, 333.686},  // E1..E4
    {212.847, 238.886}, {212.847, 345.226}, {212.847, 105.206}, {212.847, 135.346},  // F1..F4
}};

// A Walker 24/3/1 pattern: three planes 120 degrees apart, eight satellites 45 degrees apart in
// each, each plane's satellites 15 degrees (360 x 1 / 24) further along than the plane before.
// Satellites are numbered plane by plane (1..8 in the first plane, 9..16, 17..24), as GLONASS
// numbers its slots. The first plane's node at the epoch is a choice of this program, different
// per system so that the systems do not share planes.
constexpr int kWalkerSatellites = 24;
constexpr int kWalkerPlanes = 3;
constexpr int kWalkerPhasing = 1;

struct Shell {
    double semiMajorAxisMetres;
    double inclinationDeg;
    double firstNodeDeg;  // node of the first plane at the epoch (Walker systems)
};

constexpr Shell kGps{26'559'700, 55, 0};
constexpr Shell kGalileo{29'600'000, 56, 0};
constexpr Shell kGlonass{25'510'000, 64.8, 40};
constexpr Shell kBeidou{27'906'000, 55, 80};

const Shell& shellOf(GnssSystem system) {
    switch (system) {
    case GnssSystem::Glonass: return kGlonass;
    case GnssSystem::Galileo: return kGalileo;
    case GnssSystem::Beidou: return kBeidou;
    case GnssSystem::Gps: break;
    }
    return kGps;
}

Slot walkerSlot(const Shell& shell, int index) {
    constexpr int perPlane = kWalkerSatellites / kWalkerPlanes;
    const int plane = index / perPlane;
    const int inPlane = index % perPlane;
    return {shell.firstNodeDeg + 360.0 * plane / kWalkerPlanes,
            360.0 * inPlane / perPlane + 360.0 * kWalkerPhasing * plane / kWalkerSatellites};
}

}  // namespace

int nominalSatelliteCount(GnssSystem system) {
    return system == GnssSystem::Gps ? static_cast<int>(kGpsSlots.size()) : kWalkerSatellites;
}

void nominalPositions(GnssSystem system, double utcSeconds, std::vector<SatellitePosition>& out) {
    if (!std::isfinite(utcSeconds)) utcSeconds = 0;
    const Shell& shell = shellOf(system);
    const double sinceEpoch = utcSeconds - kEpochSeconds;
    const double a = shell.semiMajorAxisMetres;
    const double meanMotion = std::sqrt(kEarthGravityM3PerS2 / (a * a * a));
    // Angles are reduced to one turn before the trigonometry keeps its precision.
    const double turned = std::fmod(meanMotion * sinceEpoch, 2 * std::numbers::pi);
    const double greenwich =
        std::fmod(kGreenwichAngleAtEpochDeg * kRadPerDegree + kEarthRotationRadPerS * sinceEpoch, 2 * std::numbers::pi);
    const double cosI = std::cos(shell.inclinationDeg * kRadPerDegree);
    const double sinI = std::sin(shell.inclinationDeg * kRadPerDegree);

    const int count = nominalSatelliteCount(system);
    for (int i = 0; i < count; ++i) {
        const Slot slot = system == GnssSystem::Gps ? kGpsSlots[static_cast<std::size_t>(i)] : walkerSlot(shell, i);
        // The node's Earth-fixed longitude, and the satellite's angle from the node.
        const double node = slot.raanDeg * kRadPerDegree - greenwich;
        const double u = slot.argumentOfLatitudeDeg * kRadPerDegree + turned;
        const double cosU = std::cos(u);
        const double sinU = std::sin(u);
        const double cosNode = std::cos(node);
        const double sinNode = std::sin(node);
        out.push_back({system, i + 1, a * (cosU * cosNode - sinU * cosI * sinNode),
                       a * (cosU * sinNode + sinU * cosI * cosNode), a * sinU * sinI});
    }
}

}  // namespace pelora
