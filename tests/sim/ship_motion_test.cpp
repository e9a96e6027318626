#include "sim/ship_motion.h"

#include <cmath>
#include <deque>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "support/core_fakes.h"

#include "sim/navigation.h"

namespace pelora {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

using testing::FixedRandom;

StepInputs fullStep(double elapsed_ms, double speed_knots) {
    StepInputs in;
    in.elapsed_ms = elapsed_ms;
    in.demanded_speed = speed_knots;
    return in;
}

double cosLat(double lat) { return std::cos(lat * kDegreesToRadians); }

TEST(AdvanceShip, SixKnotsEastForOneSecond) {
    ShipState ship;
    ship.Ship_Lat = 54;
    ship.Ship_Lon = -1;
    ship.Ship_Heading = 90;
    FixedRandom random{{}, false};
    const StepResult result = advanceShip(ship, fullStep(1000, 6), random);

    EXPECT_NEAR(ship.Ship_Lon, -1 + (1.0 / 36000) / cosLat(54), 1e-15);
    EXPECT_NEAR(ship.Ship_Lat, 54, 1e-15);
    EXPECT_EQ(ship.SOG_Text, "6.0");
    EXPECT_EQ(ship.COG_Text, "090.0");
    EXPECT_TRUE(result.readouts_changed);
    EXPECT_EQ(result.dir_text, "090");
    EXPECT_DOUBLE_EQ(result.reported_lat, ship.Ship_Lat);
    EXPECT_DOUBLE_EQ(result.reported_lon, ship.Ship_Lon);
    EXPECT_EQ(random.draws, 0u);
}

TEST(AdvanceShip, ResponseFromRestReachesAboutOnePointOneKnots) {
    ShipState ship;
    StepInputs in = fullStep(1000, 6);
    in.response_on = true;
    in.response_seconds = 5;
    FixedRandom random{{}, false};
    advanceShip(ship, in, random);
    EXPECT_NEAR(ship.Ship_Speed, 6 * (1 - std::exp(-0.2)), 1e-12);
    EXPECT_NEAR(ship.Ship_Speed, 1.09, 0.005);
    EXPECT_EQ(ship.SOG_Text, "1.1");
}

TEST(AdvanceShip, WithoutResponseEveryDemandIsMetInOneStep) {
    ShipState ship;
    ship.Demand_ROT = 3;
    ship.Ship_Heading = 359;
    FixedRandom random{{}, false};
    const StepResult turning = advanceShip(ship, fullStep(1000, 8), random);
    EXPECT_DOUBLE_EQ(ship.Ship_Speed, 8);
    EXPECT_DOUBLE_EQ(ship.Ship_ROT, 3);
    EXPECT_NEAR(ship.Ship_Heading, 2, 1e-12);  // 359 + 3 folded past north
    EXPECT_EQ(turning.dir_text, "002");

    StepInputs autopilot = fullStep(1000, 8);
    autopilot.mode = SteeringMode::Autopilot;
    ship.AutoPilot_Dir = 123;
    const StepResult steered = advanceShip(ship, autopilot, random);
    EXPECT_DOUBLE_EQ(ship.Ship_Heading, 123);
    EXPECT_DOUBLE_EQ(ship.Ship_ROT, 3);  // left alone under autopilot
    EXPECT_FALSE(steered.dir_text.has_value());
}

TEST(AdvanceShip, TimeConstantOfZeroOrLessFollowsAtOnce) {
    for (const double seconds : {0.0, -4.0, kInf}) {
        ShipState ship;
        StepInputs in = fullStep(1000, 6);
        in.response_on = true;
        in.response_seconds = seconds;
        FixedRandom random{{}, false};
        advanceShip(ship, in, random);
        EXPECT_DOUBLE_EQ(ship.Ship_Speed, 6) << seconds;
        EXPECT_EQ(ship.SOG_Text, "6.0") << seconds;
    }
}

struct AutopilotRow {
    const char* name;
    double heading;
    double course;
    double delta;
};

class AutopilotTurn : public ::testing::TestWithParam<AutopilotRow> {};

// With the response on, the heading moves a fraction of the way, so the side of the turn shows.
TEST_P(AutopilotTurn, TakesTheShortWayRound) {
    const AutopilotRow& row = GetParam();
    ShipState ship;
    ship.Ship_Heading = row.heading;
    ship.AutoPilot_Dir = row.course;
    StepInputs in = fullStep(1000, 0);
    in.mode = SteeringMode::Autopilot;
    in.response_on = true;
    in.response_seconds = 5;
    FixedRandom random{{}, false};
    advanceShip(ship, in, random);
    double expected = row.heading + (1 - std::exp(-0.2)) * row.delta;
    Wrap_Heading(expected);
    EXPECT_NEAR(ship.Ship_Heading, expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AutopilotTurn,
    ::testing::Values(AutopilotRow{"ThroughNorthToStarboard", 350, 10, 20},
                      AutopilotRow{"ThroughNorthToPort", 10, 350, -20},
                      AutopilotRow{"Plain", 90, 120, 30}, AutopilotRow{"HalfTurn", 0, 180, 180},
                      AutopilotRow{"JustOverHalfTurn", 0, 181, -179}),
    [](const auto& info) { return std::string(info.param.name); });

struct CourseRow {
    const char* name;
    double speed;
    const char* sog;
    const char* cog;
    double heading = 270;
    double speedBefore = 0;
};

class CourseThreshold : public ::testing::TestWithParam<CourseRow> {};

TEST_P(CourseThreshold, CourseIsZeroAtOrBelowATenthOfAKnot) {
    ShipState ship;
    ship.Ship_Heading = GetParam().heading;
    ship.Ship_Speed = GetParam().speedBefore;
    FixedRandom random{{}, false};
    advanceShip(ship, fullStep(1000, GetParam().speed), random);
    EXPECT_EQ(ship.SOG_Text, GetParam().sog);
    EXPECT_EQ(ship.COG_Text, GetParam().cog);
}

INSTANTIATE_TEST_SUITE_P(Rows, CourseThreshold,
                         ::testing::Values(CourseRow{"Still", 0, "0.0", "000.0"},
                                           CourseRow{"Below", 0.09, "0.1", "000.0"},
                                           CourseRow{"HalfOfATenth", 0.05, "0.1", "000.0"},
                                           CourseRow{"ExactlyATenth", 0.1, "0.1", "000.0", 90},
                                           CourseRow{"Above", 0.11, "0.1", "270.0"},
                                           CourseRow{"Moving", 4, "4.0", "270.0"},
                                           // The square root of the sum of squares, not hypot,
                                           // which differs in the last bit and rounds up here.
                                           CourseRow{"SquareRootOfSquares", 0.85, "0.8", "001.6", 1.6, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AdvanceShip, SeaIsDrawnBeforeNoiseEachOnlyWhenOn) {
    // Sea: half of 111120 m due east (r2 = 0.25 turns a quarter circle). Noise: half of
    // 222.24 m due north.
    StepInputs in = fullStep(1000, 0);
    in.sea_on = true;
    in.sea_metres = 111120;
    in.noise_on = true;
    in.noise_metres = 222.24;
    ShipState ship;
    ship.Ship_Lat = 60;
    FixedRandom random({0.5f, 0.25f, 0.5f, 0.0f}, false);
    const StepResult result = advanceShip(ship, in, random);
    EXPECT_EQ(random.draws, 4u);
    EXPECT_NEAR(ship.Ship_Lon, 0.5 / cosLat(60), 1e-9);
    EXPECT_NEAR(ship.Ship_Lat, 60, 1e-9);  // the noise never moves the true position
    EXPECT_NEAR(result.reported_lat, 60.001, 1e-9);
    EXPECT_NEAR(result.reported_lon, ship.Ship_Lon, 1e-9);

    StepInputs seaOnly = in;
    seaOnly.noise_on = false;
    FixedRandom seaDraws({0.5f, 0.25f}, false);
    ShipState other;
    advanceShip(other, seaOnly, seaDraws);
    EXPECT_EQ(seaDraws.draws, 2u);

    StepInputs noiseOnly = in;
    noiseOnly.sea_on = false;
    FixedRandom noiseDraws({0.5f, 0.0f}, false);
    ShipState still;
    const StepResult noisy = advanceShip(still, noiseOnly, noiseDraws);
    EXPECT_EQ(noiseDraws.draws, 2u);
    EXPECT_EQ(still.Ship_Lat, 0);
    EXPECT_NEAR(noisy.reported_lat, 0.001, 1e-12);
}

TEST(AdvanceShip, NoiseAtRestShowsInTheOverGroundReadouts) {
    // 1 m of noise due east in one second reads as 1/111120 degree, about 1.94 knots.
    StepInputs in = fullStep(1000, 0);
    in.noise_on = true;
    in.noise_metres = 2;
    ShipState ship;
    FixedRandom random({0.5f, 0.25f}, false);
    advanceShip(ship, in, random);
    EXPECT_EQ(ship.SOG_Text, "1.9");
    EXPECT_EQ(ship.COG_Text, "090.0");
    EXPECT_EQ(ship.Ship_Lon, 0);
}

TEST(AdvanceShip, FirstStepTakesTheCourseBoxAndMovesNothing) {
    ShipState ship;
    ship.Ship_Lat = 10;
    ship.Ship_Speed = 5;
    ship.COG_Text = "045.0";
    ship.SOG_Text = "5.0";
    StepInputs in = fullStep(1000, 6);
    in.first_step = true;
    in.dir_number = 400;
    in.noise_on = true;
    in.noise_metres = 100;
    in.sea_on = true;
    in.sea_metres = 100;
    FixedRandom random({0.9f, 0.9f, 0.9f, 0.9f}, false);
    const StepResult result = advanceShip(ship, in, random);
    EXPECT_EQ(ship.AutoPilot_Dir, 400);
    EXPECT_EQ(ship.Ship_Heading, 400);  // unwrapped
    EXPECT_EQ(ship.Ship_Lat, 10);
    EXPECT_EQ(ship.Ship_Lon, 0);
    EXPECT_EQ(ship.Ship_Speed, 5);
    EXPECT_EQ(ship.COG_Text, "045.0");
    EXPECT_EQ(ship.SOG_Text, "5.0");
    EXPECT_FALSE(result.readouts_changed);
    EXPECT_FALSE(result.dir_text.has_value());
    EXPECT_EQ(random.draws, 0u);
    EXPECT_EQ(result.reported_lat, 10);
}

TEST(AdvanceShip, NoElapsedTimeChangesNothing) {
    for (const double elapsed : {0.0, -1000.0, kInf, std::nan("")}) {
        ShipState ship;
        ship.Ship_Lat = 1;
        ship.Ship_Heading = 90;
        ship.Ship_Speed = 6;
        ship.COG_Text = "090.0";
        ship.SOG_Text = "6.0";
        StepInputs in = fullStep(elapsed, 12);
        in.noise_on = true;
        in.noise_metres = 5;
        FixedRandom random{{}, false};
        const StepResult result = advanceShip(ship, in, random);
        EXPECT_EQ(ship.Ship_Lat, 1) << elapsed;
        EXPECT_EQ(ship.Ship_Lon, 0) << elapsed;
        EXPECT_EQ(ship.Ship_Speed, 6) << elapsed;
        EXPECT_EQ(ship.SOG_Text, "6.0") << elapsed;
        EXPECT_FALSE(result.readouts_changed) << elapsed;
        EXPECT_EQ(random.draws, 0u) << elapsed;
    }
}

struct GlobeRow {
    const char* name;
    double lat;
    double lon;
    double heading;
    double expectLat;
    double expectLon;
};

class StaysOnTheGlobe : public ::testing::TestWithParam<GlobeRow> {};

// 6 knots for one second is 1/36000 degree of latitude.
TEST_P(StaysOnTheGlobe, CrossingAPoleOrTheDateLine) {
    const GlobeRow& row = GetParam();
    ShipState ship;
    ship.Ship_Lat = row.lat;
    ship.Ship_Lon = row.lon;
    ship.Ship_Heading = row.heading;
    FixedRandom random{{}, false};
    const StepResult result = advanceShip(ship, fullStep(1000, 6), random);
    EXPECT_NEAR(ship.Ship_Lat, row.expectLat, 1e-9);
    EXPECT_NEAR(ship.Ship_Lon, row.expectLon, 1e-9);
    EXPECT_NEAR(result.reported_lat, row.expectLat, 1e-9);
    EXPECT_NEAR(result.reported_lon, row.expectLon, 1e-9);
}

constexpr double kStep = 1.0 / 36000;
INSTANTIATE_TEST_SUITE_P(
    Rows, StaysOnTheGlobe,
    ::testing::Values(
        GlobeRow{"OverNorthPole", 90 - kStep / 2, 10, 0, 90 - kStep / 2, -170},
        GlobeRow{"OverSouthPole", -90 + kStep / 2, -100, 180, -90 + kStep / 2, 80},
        GlobeRow{"EastOverDateLine", 0, 180 - kStep / 2, 90, 0, -180 + kStep / 2},
        GlobeRow{"WestOverDateLine", 0, -180 + kStep / 2, 270, 0, 180 - kStep / 2},
        // A typed latitude far past the pole is brought back before the ship moves: 5550 is
        // fifteen turns and 150 degrees, that is 30 degrees over the pole.
        GlobeRow{"EnteredFarPastPole", 5550, 10, 0, 30 + kStep, -170}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AdvanceShip, StartingOnThePoleStaysFinite) {
    ShipState ship;
    ship.Ship_Lat = 90;
    ship.Ship_Heading = 90;
    StepInputs in = fullStep(1000, 30);
    in.noise_on = true;
    in.noise_metres = 1000;
    ProgramRandom random;
    for (int i = 0; i < 50; ++i) {
        const StepResult result = advanceShip(ship, in, random);
        ASSERT_TRUE(std::isfinite(result.reported_lat) && std::isfinite(result.reported_lon));
        ASSERT_LE(std::fabs(result.reported_lat), 90);
        ASSERT_LE(std::fabs(result.reported_lon), 180);
        ASSERT_LE(std::fabs(ship.Ship_Lat), 90);
        ASSERT_LE(std::fabs(ship.Ship_Lon), 180);
    }
}

TEST(AdvanceShip, NonFiniteNumbersCountAsZero) {
    ShipState ship;
    ship.Ship_Lat = 20;
    ship.Demand_ROT = kInf;
    StepInputs in = fullStep(1000, kInf);
    in.sea_on = true;
    in.sea_metres = std::nan("");
    in.noise_on = true;
    in.noise_metres = -kInf;
    FixedRandom random({0.5f, 0.5f, 0.5f, 0.5f}, false);
    const StepResult result = advanceShip(ship, in, random);
    EXPECT_EQ(ship.Ship_Lat, 20);
    EXPECT_EQ(ship.Ship_Lon, 0);
    EXPECT_EQ(ship.Ship_Speed, 0);
    EXPECT_EQ(ship.Ship_ROT, 0);
    EXPECT_EQ(ship.SOG_Text, "0.0");
    EXPECT_EQ(ship.COG_Text, "000.0");
    EXPECT_EQ(result.dir_text, "000");
    EXPECT_EQ(result.reported_lat, 20);

    StepInputs first = in;
    first.first_step = true;
    first.dir_number = -kInf;
    advanceShip(ship, first, random);
    EXPECT_EQ(ship.Ship_Heading, 0);
}

TEST(AdvanceShip, EnormousNumbersNeverLeaveTheGlobe) {
    ShipState ship;
    ship.Demand_ROT = 1e300;
    StepInputs in = fullStep(1e300, 1e308);
    in.noise_on = true;
    in.noise_metres = 1e308;
    ProgramRandom random;
    for (int i = 0; i < 5; ++i) {
        const StepResult result = advanceShip(ship, in, random);
        ASSERT_TRUE(std::isfinite(result.reported_lat) && std::isfinite(result.reported_lon));
        ASSERT_LE(std::fabs(result.reported_lat), 90);
        ASSERT_LE(std::fabs(result.reported_lon), 180);
        ASSERT_GE(ship.Ship_Heading, 0);
        ASSERT_LT(ship.Ship_Heading, 360);
        ASSERT_EQ(ship.SOG_Text.find_first_not_of("0123456789."), std::string::npos) << ship.SOG_Text;
    }
}

TEST(AdvanceShip, FastTurnStillGivesAHeadingWithinOneTurn) {
    ShipState ship;
    ship.Demand_ROT = 1000;  // degrees per second
    FixedRandom random{{}, false};
    const StepResult result = advanceShip(ship, fullStep(1000, 0), random);
    EXPECT_DOUBLE_EQ(ship.Ship_Heading, 280);
    EXPECT_EQ(result.dir_text, "280");
}

}  // namespace
}  // namespace pelora
