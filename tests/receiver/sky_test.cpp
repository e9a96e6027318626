#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "receiver/geometry.h"
#include "receiver/receiver.h"
#include "sim/utc_seconds.h"

namespace pelora {
namespace {

const std::vector<GnssSystem> kAllSystems{GnssSystem::Gps, GnssSystem::Glonass, GnssSystem::Galileo,
                                          GnssSystem::Beidou};

std::int64_t utcMilliseconds(const DateTime& when) { return utcSecondsSince1970(when) * 1000; }

std::string commandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    std::array<char, 4096> buffer{};
    std::size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), read);
    pclose(pipe);
    return output;
}

struct SkyRow {
    const char* name;
    double latitude;
    double longitude;
    double height;
    DateTime when;
    const char* isoTime;
};

class GpsSky : public ::testing::TestWithParam<SkyRow> {};

// The positions of all 24 slots, and the elevations and azimuths of those in view, agree with
// the sky worked out in Python from the table file itself.
TEST_P(GpsSky, AgreesWithAnIndependentComputation) {
    const SkyRow& row = GetParam();
    std::ostringstream command;
    command << "/usr/bin/python3 " PELORA_SOURCE_DIR "/tests/receiver/gps_sky.py " PELORA_SOURCE_DIR
               "/tests/receiver/gps-nominal-constellation.csv "
            << row.latitude << ' ' << row.longitude << ' ' << row.height << ' ' << row.isoTime;
    std::istringstream lines(commandOutput(command.str()));
    std::map<int, std::pair<double, double>> expected;
    std::vector<SatellitePosition> positions;
    nominalPositions(GnssSystem::Gps, static_cast<double>(utcSecondsSince1970(row.when)), positions);
    ASSERT_EQ(positions.size(), 24U);
    int prn = 0;
    double x = 0;
    double y = 0;
    double z = 0;
    double elevation = 0;
    double azimuth = 0;
    while (lines >> prn >> x >> y >> z >> elevation >> azimuth) {
        expected[prn] = {elevation, azimuth};
        const SatellitePosition& position = positions.at(static_cast<std::size_t>(prn - 1));
        EXPECT_EQ(position.svid, prn);
        EXPECT_LT(std::hypot(position.x - x, position.y - y, position.z - z), 1.0) << "PRN " << prn;
    }
    ASSERT_EQ(expected.size(), 24U) << command.str();

    ReceiverSettings settings;
    settings.antennaAltitudeMetres = row.height;
    Fix fix;
    Receiver(1).observe(settings, row.latitude, row.longitude, utcMilliseconds(row.when), fix);
    std::size_t aboveMask = 0;
    for (const auto& [number, angles] : expected) {
        if (angles.first >= settings.elevationMaskDeg) ++aboveMask;
    }
    EXPECT_EQ(fix.satellites.size(), aboveMask);
    for (const SatelliteView& satellite : fix.satellites) {
        const auto& [expectedElevation, expectedAzimuth] = expected.at(satellite.svid);
        EXPECT_NEAR(satellite.elevationDeg, expectedElevation, 1e-4) << "PRN " << satellite.svid;
        EXPECT_NEAR(satellite.azimuthDeg, expectedAzimuth, 1e-4) << "PRN " << satellite.svid;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GpsSky,
    ::testing::Values(SkyRow{"NorthSea", 54.5, -1.25, 10, {2026, 12, 6, 12, 34, 56}, "2026-12-06T12:34:56"},
                      SkyRow{"TasmanSea", -33.9, 151.2, 25, {2031, 3, 15, 3, 7, 30}, "2031-03-15T03:07:30"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiverSky, MaskBlockedSectorTwelveUsedAndSeededSignals) {
    ReceiverSettings settings;
    settings.systems = kAllSystems;
    settings.elevationMaskDeg = 10;
    settings.blockedSectors = {{180, 270, 40}};
    const std::int64_t when = utcMilliseconds({2026, 12, 6, 12, 34, 56});
    Fix fix;
    Receiver(7).observe(settings, 54.5, -1.25, when, fix);
    Fix again;
    Receiver(7).observe(settings, 54.5, -1.25, when, again);
    Fix otherSeed;
    Receiver(8).observe(settings, 54.5, -1.25, when, otherSeed);

    int hidden = 0;
    int tracked = 0;
    double lowestUsed = 90;
    double highestUnused = 0;
    bool seedsDiffer = false;
    std::array<double, 2> snrSum{};  // below 25 and above 50 degrees
    std::array<int, 2> snrCount{};
    for (std::size_t i = 0; i < fix.satellites.size(); ++i) {
        const SatelliteView& s = fix.satellites[i];
        EXPECT_GE(s.elevationDeg, 10);
        const bool inSector = s.azimuthDeg >= 180 && s.azimuthDeg <= 270 && s.elevationDeg < 40;
        EXPECT_EQ(s.snrDbHz < 0, inSector) << s.svid;
        EXPECT_FALSE(inSector && s.used) << s.svid;
        EXPECT_EQ(s.snrDbHz, again.satellites[i].snrDbHz);
        seedsDiffer = seedsDiffer || s.snrDbHz != otherSeed.satellites[i].snrDbHz;
        hidden += inSector ? 1 : 0;
        if (s.snrDbHz < 0) continue;
        ++tracked;
        if (s.used) lowestUsed = std::min(lowestUsed, s.elevationDeg);
        if (!s.used) highestUnused = std::max(highestUnused, s.elevationDeg);
        if (s.elevationDeg < 25 || s.elevationDeg > 50) {
            snrSum[s.elevationDeg > 50 ? 1 : 0] += s.snrDbHz;
            ++snrCount[s.elevationDeg > 50 ? 1 : 0];
        }
    }
    EXPECT_GT(hidden, 0);
    // Twelve used: GGA's count and GSA's twelve fields are sized for it.
    EXPECT_GT(tracked, 12);
    EXPECT_EQ(fix.satellitesUsed, 12);
    EXPECT_EQ(std::count_if(fix.satellites.begin(), fix.satellites.end(), [](const SatelliteView& s) { return s.used; }),
              12);
    EXPECT_GE(lowestUsed, highestUnused);
    EXPECT_TRUE(seedsDiffer);
    ASSERT_GT(snrCount[0] * snrCount[1], 0);
    EXPECT_GT(snrSum[1] / snrCount[1] - snrSum[0] / snrCount[0], 5);  // higher is stronger
}

SatelliteView used(GnssSystem system, double elevation, double azimuth) {
    SatelliteView s;
    s.system = system;
    s.elevationDeg = elevation;
    s.azimuthDeg = azimuth;
    s.used = true;
    return s;
}

struct GeometryRow {
    const char* name;
    std::vector<SatelliteView> satellites;
    FixState state;
    Dop dop;
};

class SolveGeometry : public ::testing::TestWithParam<GeometryRow> {};

// Worked by hand: three satellites on the horizon 120 degrees apart give east and north
// variances of 2/3 each; a fourth at the zenith shares the up unknown with the clock, whose
// 2x2 block [[1,1],[1,4]] inverts to an up variance of 4/3.
TEST_P(SolveGeometry, StateAndDilution) {
    const GeometryRow& row = GetParam();
    const Geometry geometry = solveGeometry(row.satellites);
    EXPECT_EQ(geometry.state, row.state);
    EXPECT_NEAR(geometry.dop.pdop, row.dop.pdop, 1e-3);
    EXPECT_NEAR(geometry.dop.hdop, row.dop.hdop, 1e-3);
    EXPECT_NEAR(geometry.dop.vdop, row.dop.vdop, 1e-3);
}

const GnssSystem kGps = GnssSystem::Gps;
const GnssSystem kGlonass = GnssSystem::Glonass;
const Dop kNoDop{0, 0, 0};
const Dop kTriangleZenith{1.6330, 1.1547, 1.1547};
const Dop kTriangle2D{1.1547, 1.1547, 0};

INSTANTIATE_TEST_SUITE_P(
    Rows, SolveGeometry,
    ::testing::Values(
        GeometryRow{"HorizonTriangleAndZenith",
                    {used(kGps, 0, 0), used(kGps, 0, 120), used(kGps, 0, 240), used(kGps, 90, 0)},
                    FixState::Fix3D, kTriangleZenith},
        GeometryRow{"ThreeGive2D", {used(kGps, 0, 0), used(kGps, 0, 120), used(kGps, 0, 240)}, FixState::Fix2D,
                    kTriangle2D},
        GeometryRow{"TwoGiveNoFix", {used(kGps, 0, 0), used(kGps, 0, 120)}, FixState::NoFix, kNoDop},
        // A second system costs a clock: four satellites of two systems give only 2D.
        GeometryRow{"FourOfTwoSystemsGive2D",
                    {used(kGps, 0, 0), used(kGps, 0, 120), used(kGps, 0, 240), used(kGlonass, 90, 0)},
                    FixState::Fix2D, kTriangle2D},
        GeometryRow{"AllInOneDirectionGiveNoFix",
                    {used(kGps, 30, 45), used(kGps, 30, 45), used(kGps, 30, 45), used(kGps, 30, 45),
                     used(kGps, 30, 45)},
                    FixState::NoFix, kNoDop},
        GeometryRow{"UnusedAreLeftOut",
                    {used(kGps, 0, 0), used(kGps, 0, 120), used(kGps, 0, 240), used(kGps, 90, 0),
                     SatelliteView{kGps, 9, 45, 45, 40, false}},
                    FixState::Fix3D, kTriangleZenith}),
    [](const auto& info) { return std::string(info.param.name); });

struct StateRow {
    const char* name;
    bool fixAvailable;
    bool differential;
    std::vector<BlockedSector> blocked;
    FixState state;
};

class ReceiverState : public ::testing::TestWithParam<StateRow> {};

TEST_P(ReceiverState, FollowsTheSettingsAndTheSky) {
    const StateRow& row = GetParam();
    ReceiverSettings settings;
    settings.fixAvailable = row.fixAvailable;
    settings.differential = row.differential;
    settings.blockedSectors = row.blocked;
    Fix fix;
    Receiver(1).observe(settings, 54.5, -1.25, utcMilliseconds({2026, 12, 6, 12, 34, 56}), fix);
    EXPECT_EQ(fix.state, row.state);
    EXPECT_FALSE(fix.satellites.empty());  // the sky stays listed
    if (row.state == FixState::NoFix) {
        EXPECT_EQ(fix.satellitesUsed, 0);
        EXPECT_TRUE(std::none_of(fix.satellites.begin(), fix.satellites.end(), [](const SatelliteView& s) { return s.used; }));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReceiverState,
    ::testing::Values(StateRow{"OpenSky", true, false, {}, FixState::Fix3D},
                      StateRow{"FixTakenAway", false, false, {}, FixState::NoFix},
                      StateRow{"Differential", true, true, {}, FixState::Differential},
                      // Only the three highest remain (17, 24 and 2 at 33 degrees).
                      StateRow{"ThreeLeftGive2D", true, false, {{0, 0, 33.3}}, FixState::Fix2D},
                      StateRow{"DifferentialNeeds3D", true, true, {{0, 0, 33.3}}, FixState::Fix2D},
                      StateRow{"WholeSkyHidden", true, false, {{0, 360, 90.5}}, FixState::NoFix}),
    [](const auto& info) { return std::string(info.param.name); });

// The error ellipse and the latitude and longitude errors are the horizontal error the dilution
// gives: HDOP times the range error, which is the noise setting's RMS (setting over root 3).
TEST(ReceiverErrors, FollowTheNoiseSettingAndTheDegradedHdop) {
    ReceiverSettings settings;
    settings.noiseMetres = 6;
    settings.hdopFactor = 3;
    Fix fix;
    Receiver(1).observe(settings, 54.5, -1.25, utcMilliseconds({2026, 12, 6, 12, 34, 56}), fix);
    Fix plain;
    settings.hdopFactor = 1;
    Receiver(1).observe(settings, 54.5, -1.25, utcMilliseconds({2026, 12, 6, 12, 34, 56}), plain);

    EXPECT_NEAR(fix.dop.hdop, 3 * plain.dop.hdop, 1e-9);
    EXPECT_NEAR(fix.dop.vdop, plain.dop.vdop, 1e-9);
    EXPECT_NEAR(fix.dop.pdop, std::hypot(fix.dop.hdop, fix.dop.vdop), 1e-9);
    const double range = 6 / std::sqrt(3.0);
    const FixErrors& e = fix.errors;
    EXPECT_NEAR(e.rangeRms, range, 1e-9);
    EXPECT_NEAR(std::hypot(e.latitude, e.longitude), fix.dop.hdop * range, 1e-9);
    EXPECT_NEAR(std::hypot(e.semiMajor, e.semiMinor), fix.dop.hdop * range, 1e-9);
    EXPECT_GE(e.semiMajor, e.semiMinor);
    EXPECT_NEAR(e.altitude, fix.dop.vdop * range, 1e-9);
}

}  // namespace
}  // namespace pelora
