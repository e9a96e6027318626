#include "sim/navigation.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

struct WrapRow {
    const char* name;
    double angle;
    double expected;
};

class WrapHeading : public ::testing::TestWithParam<WrapRow> {};

TEST_P(WrapHeading, FoldsOneTurnEachWayInPlace) {
    double angle = GetParam().angle;
    const double result = Wrap_Heading(angle);
    EXPECT_DOUBLE_EQ(result, GetParam().expected);
    EXPECT_DOUBLE_EQ(angle, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WrapHeading,
    ::testing::Values(WrapRow{"FullTurn", 360, 0}, WrapRow{"JustBelowZero", -0.5, 359.5},
                      WrapRow{"JustBelowFullTurn", 359.999, 359.999}, WrapRow{"Zero", 0, 0},
                      WrapRow{"OnlyOneTurnUp", -400, -40}, WrapRow{"OnlyOneTurnDown", 800, 440},
                      WrapRow{"TwoTurns", 720, 360}, WrapRow{"LowestFolded", -360, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct AtanRow {
    const char* name;
    double east;
    double north;
    double expected;
};

class Atan2Bearing : public ::testing::TestWithParam<AtanRow> {};

TEST_P(Atan2Bearing, GivesTheBearingClockwiseFromNorth) {
    const AtanRow& row = GetParam();
    EXPECT_NEAR(Atan2(row.east, row.north), row.expected, 1e-12);
}

// The program's pi, not the library's.
TEST(Atan2Bearing, AxesUseTheProgramsPi) {
    EXPECT_EQ(Atan2(0, -1), 3.14159265358979);
    EXPECT_EQ(Atan2(1, 0), 3.14159265358979 / 2);
    EXPECT_EQ(Atan2(-1, 0), 9.42477796076937 / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Atan2Bearing,
    ::testing::Values(AtanRow{"Still", 0, 0, 0}, AtanRow{"North", 0, 1, 0},
                      AtanRow{"East", 1, 0, kPi / 2}, AtanRow{"South", 0, -1, 3.14159265358979},
                      AtanRow{"West", -1, 0, 9.42477796076937 / 2},
                      AtanRow{"NorthEast", 1, 1, kPi / 4}, AtanRow{"SouthEast", 1, -1, kPi - kPi / 4},
                      AtanRow{"SouthWest", -1, -1, kPi + kPi / 4},
                      AtanRow{"NorthWest", -1, 1, kTwoPi - kPi / 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Atan2Bearing, NeverNegativeNorAboveTwoPi) {
    for (int i = 0; i < 3600; ++i) {
        const double angle = i * kTwoPi / 3600;
        const double bearing = Atan2(std::sin(angle), std::cos(angle));
        EXPECT_GE(bearing, 0) << i;
        EXPECT_LE(bearing, kTwoPi) << i;
    }
}

struct HeadingRow {
    const char* name;
    double heading;
    const char* expected;
};

class HeadingFormat : public ::testing::TestWithParam<HeadingRow> {};

TEST_P(HeadingFormat, WholeDegreesWithThreeDigits) {
    EXPECT_EQ(heading_format(GetParam().heading), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeadingFormat,
    ::testing::Values(HeadingRow{"RoundsDown", 5.4, "005"}, HeadingRow{"TwoDigits", 45, "045"},
                      HeadingRow{"RoundsUpTo360", 359.6, "360"}, HeadingRow{"HalfUp", 359.5, "360"},
                      HeadingRow{"Negative", -5, "-005"}, HeadingRow{"Zero", 0, "000"},
                      HeadingRow{"FourDigits", 1234, "1234"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
