#include "nmea/position_format.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

struct PosRow {
    const char* name;
    double value;
    bool latitude;
    int decimals;
    bool leadingZeros;
    const char* expected;
};

class Posformat : public ::testing::TestWithParam<PosRow> {};

TEST_P(Posformat, WritesDegreesMinutesAndHemisphere) {
    const PosRow& row = GetParam();
    EXPECT_EQ(posformat(row.value, row.latitude, row.decimals, row.leadingZeros), row.expected);
}

constexpr bool kLatitude = true;
constexpr bool kLongitude = false;

INSTANTIATE_TEST_SUITE_P(
    Table, Posformat,
    ::testing::Values(
        PosRow{"Lat54_5", 54.5, kLatitude, 4, true, "5430.0000,N"},
        PosRow{"Lat54_5NoZeros", 54.5, kLatitude, 4, false, "5430.0000,N"},
        PosRow{"Lat5_5", 5.5, kLatitude, 4, true, "0530.0000,N"},
        PosRow{"Lat5_5NoZeros", 5.5, kLatitude, 4, false, "530.0000,N"},
        PosRow{"LonMinus1_25", -1.25, kLongitude, 4, true, "00115.0000,W"},
        PosRow{"LonMinus1_25NoZeros", -1.25, kLongitude, 4, false, "115.0000,W"},
        PosRow{"Lon10_25OneDecimal", 10.25, kLongitude, 1, true, "01015.0,E"},
        PosRow{"Lat0_5NoZeros", 0.5, kLatitude, 4, false, "030.0000,N"},
        PosRow{"LatMinus33_865", -33.865, kLatitude, 3, true, "3351.900,S"},
        PosRow{"LatZero", 0, kLatitude, 4, true, "0000.0000,S"},
        PosRow{"LonZero", 0, kLongitude, 2, true, "00000.00,W"},
        PosRow{"MinutesCarry", 54.999999999, kLatitude, 4, true, "5500.0000,N"},
        PosRow{"NoDecimals", 54.5, kLatitude, 0, true, "5430.,N"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Edges, Posformat,
    ::testing::Values(
        PosRow{"LonPositive1_25NoZeros", 1.25, kLongitude, 4, false, "115.0000,E"},
        PosRow{"NegativeSameDigits", -54.5, kLatitude, 4, true, "5430.0000,S"},
        PosRow{"CarryNoDecimals", 54.995, kLatitude, 0, true, "5500.,N"},
        PosRow{"CarryIntoThreeDigitLon", 99.9999999, kLongitude, 2, false, "10000.00,E"},
        PosRow{"MinutesHalfUp", 0.5 + 0.125 / 60, kLatitude, 2, true, "0030.13,N"},
        PosRow{"NegativeDecimalsAsZero", 54.5, kLatitude, -3, true, "5430.,N"},
        PosRow{"DecimalsCappedAt15", 54.5, kLatitude, 99, true, "5430.000000000000000,N"},
        PosRow{"LongitudeBeyond180", 200.5, kLongitude, 1, true, "20030.0,E"},
        PosRow{"NegativeZero", -0.0, kLatitude, 1, true, "0000.0,S"},
        PosRow{"NaN", std::numeric_limits<double>::quiet_NaN(), kLatitude, 2, true, "0000.00,S"},
        PosRow{"Infinity", std::numeric_limits<double>::infinity(), kLongitude, 2, true, "00000.00,W"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Posformat, HugeDegreesDoNotOverflow) {
    const std::string text = posformat(1e300, false, 2, true);
    EXPECT_EQ(text, "1" + std::string(300, '0') + "00.00,E");
    EXPECT_EQ(posformat(40000.25, true, 1, true), "4000015.0,N");
}

TEST(TimeAndDate, TwoDigitsEach) {
    EXPECT_EQ(timeText(DateTime{2026, 12, 6, 9, 5, 1}), "090501");
    EXPECT_EQ(timeText(DateTime{2026, 12, 6, 0, 0, 0}), "000000");
    EXPECT_EQ(timeText(DateTime{2026, 12, 6, 23, 59, 59}), "235959");
    EXPECT_EQ(dateText(DateTime{2026, 12, 6, 12, 34, 56}), "061226");
    EXPECT_EQ(dateText(DateTime{2000, 1, 31, 0, 0, 0}), "310100");
    EXPECT_EQ(dateText(DateTime{2109, 7, 1, 0, 0, 0}), "010709");
}

}  // namespace
}  // namespace pelora
