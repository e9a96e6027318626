// Targets: what checkTarget refuses, and a target that follows its route.
#include "ais/ais_target.h"

#include <chrono>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "ais/flat_chart.h"
#include "ais/target_motion.h"

namespace pelora {
namespace {

struct CheckRow {
    const char* label;
    void (*spoil)(AisTarget&);
    const char* message;
};

class CheckTarget : public ::testing::TestWithParam<CheckRow> {};

TEST_P(CheckTarget, NamesTheFieldAndTheReason) {
    AisTarget target;
    target.mmsi = 211000001;
    target.name = "GOOD SHIP";
    target.imo = 9074729;
    ASSERT_EQ(checkTarget(target), std::nullopt);
    GetParam().spoil(target);
    EXPECT_EQ(checkTarget(target), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckTarget,
    ::testing::Values(
        CheckRow{"EightDigitMmsi", [](AisTarget& t) { t.mmsi = 21100000; },
                 "MMSI 21100000: must have nine digits (100000000 to 999999999)"},
        CheckRow{"LongName", [](AisTarget& t) { t.name = "THE VERY LONG SHIP NAME"; },
                 "name \"THE VERY LONG SHIP NAME\": 23 characters, AIS sends at most 20"},
        CheckRow{"SmallLetters", [](AisTarget& t) { t.name = "Sea Breeze"; },
                 "name \"Sea Breeze\": 'e' (character 2) cannot be sent; AIS names use capital letters, "
                 "digits, space and !\"#$%&'()*+,-./:;<=>?[\\]^_"},
        CheckRow{"AtSignInCallSign", [](AisTarget& t) { t.callSign = "AB@1"; },
                 "call sign \"AB@1\": '@' (character 3) cannot be sent; AIS call signs use capital letters, "
                 "digits, space and !\"#$%&'()*+,-./:;<=>?[\\]^_"},
        CheckRow{"ImoCheckDigit", [](AisTarget& t) { t.imo = 9074728; },
                 "IMO number 9074728: the check digit does not match"},
        CheckRow{"LatitudePastThePole", [](AisTarget& t) { t.lat = 90.5; },
                 "latitude 90.5: must be -90 to 90 degrees"},
        CheckRow{"SpeedNotANumber", [](AisTarget& t) { t.speedKnots = NAN; },
                 "speed not a number: must be 0 to 102.2 knots"},
        CheckRow{"RouteWithoutArrivalCircle",
                 [](AisTarget& t) {
                     t.route = {{50, 1}};
                     t.arrivalRadiusNm = 0;
                 },
                 "arrival radius 0: must be more than 0 NM"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TargetMotion, FollowsItsRouteWaypointByWaypoint) {
    // A square of 2 NM sides at 10 kn, turning at most 60 degrees a minute.
    AisTarget target;
    target.mmsi = 211000001;
    target.lat = 50;
    target.lon = 0;
    target.speedKnots = 10;
    target.courseDeg = 0;
    const double twoNmEast = 2.0 / 60 / std::cos(50.0 / 180 * 3.14159265358979);
    target.route = {{50 + 2.0 / 60, 0}, {50 + 2.0 / 60, twoNmEast}, {50, twoNmEast}};
    target.arrivalRadiusNm = 0.2;
    target.routeTurnDegPerMin = 60;
    ASSERT_EQ(checkTarget(target), std::nullopt);

    TargetMotion motion(target);
    std::size_t reached = 0;
    double previousCourse = motion.courseDeg();
    for (int second = 0; second < 3600 && motion.nextWaypoint() < target.route.size(); ++second) {
        motion.advance(std::chrono::seconds(1));
        EXPECT_LE(std::fabs(std::remainder(motion.courseDeg() - previousCourse, 360.0)), 1 + 1e-9)
            << "turns at most a degree a second";
        previousCourse = motion.courseDeg();
        if (motion.nextWaypoint() != reached) {
            ASSERT_EQ(motion.nextWaypoint(), reached + 1) << "waypoints in order";
            const TargetWaypoint& point = target.route[reached];
            const ChartOffset left = chartOffset(point.lat, point.lon, motion.lat(), motion.lon());
            EXPECT_LE(std::hypot(left.eastNm, left.northNm), 0.2 + 10.0 / 3600) << "waypoint " << reached;
            reached = motion.nextWaypoint();
        }
    }
    EXPECT_EQ(reached, target.route.size());
    const double finalCourse = motion.courseDeg();
    motion.advance(std::chrono::minutes(5));
    EXPECT_DOUBLE_EQ(motion.courseDeg(), finalCourse) << "holds its course after the last waypoint";
    EXPECT_EQ(motion.rateOfTurnDegPerMin(), 0);
}

}  // namespace
}  // namespace pelora
