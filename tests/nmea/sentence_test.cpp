#include "nmea/sentence.h"

#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

const DateTime kNow{2026, 12, 6, 12, 34, 56};

std::string workedExample(int type, int checksumBox) {
    return withChecksumIfDue(NMEA(-1.25, 54.5, 4, true, type, "10.0", "045.0", kNow), checksumBox,
                                type);
}

struct SentenceRow {
    const char* name;
    int type;
    int checksumBox;
    const char* expected;
};

class WorkedExample : public ::testing::TestWithParam<SentenceRow> {};

TEST_P(WorkedExample, ComesOutByteForByte) {
    EXPECT_EQ(workedExample(GetParam().type, GetParam().checksumBox), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WorkedExample,
    ::testing::Values(
        SentenceRow{"GLL", kSentenceGLL, 1, "$GPGLL,5430.0000,N,00115.0000,W,123456,A*38"},
        SentenceRow{"GGA", kSentenceGGA, 1,
                    "$GPGGA,123456,5430.0000,N,00115.0000,W,2,04,0.9,0.0,M,0.0,M,5,0100*5A"},
        SentenceRow{"RMC", kSentenceRMC, 1,
                    "$GPRMC,123456,A,5430.0000,N,00115.0000,W,10.0,045.0,061226,0.0,E*55"},
        SentenceRow{"GLLWithoutChecksum", kSentenceGLL, 0, "$GPGLL,5430.0000,N,00115.0000,W,123456,A"},
        SentenceRow{"GGAWithoutChecksum", kSentenceGGA, 0,
                    "$GPGGA,123456,5430.0000,N,00115.0000,W,2,04,0.9,0.0,M,0.0,M,5,0100"},
        SentenceRow{"GreyedBoxCounts", kSentenceGLL, 2, "$GPGLL,5430.0000,N,00115.0000,W,123456,A*38"},
        SentenceRow{"RMCAlwaysChecked", kSentenceRMC, 0,
                    "$GPRMC,123456,A,5430.0000,N,00115.0000,W,10.0,045.0,061226,0.0,E*55"},
        SentenceRow{"NoTypeSelected", -1, 1, ""}, SentenceRow{"TypeBeyondList", 3, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NMEA, RmcCopiesTheReadoutsAsTheyStand) {
    EXPECT_EQ(NMEA(0, 0, 1, false, kSentenceRMC, "", "", DateTime{2000, 1, 1, 0, 0, 0}),
              "$GPRMC,000000,A,000.0,S,000.0,W,,,010100,0.0,E");
}

TEST(NMEA, OutOfRangeInputsStillGiveAValidSentence) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string sentence =
        NMEA(std::numeric_limits<double>::infinity(), nan, -5, true, kSentenceGLL, "", "", kNow);
    EXPECT_EQ(sentence, "$GPGLL,0000.,S,00000.,W,123456,A");
}

struct ChecksumRow {
    const char* name;
    std::string text;
    const char* expected;
};

class Checksum : public ::testing::TestWithParam<ChecksumRow> {};

TEST_P(Checksum, SkipsTheFirstCharacter) { EXPECT_EQ(CS(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Rows, Checksum,
    ::testing::Values(ChecksumRow{"Dollar", "$abc", "*60"}, ChecksumRow{"NoDollar", "abc", "*01"},
                      ChecksumRow{"BelowSixteenHasLeadingZero", "$ab", "*03"},
                      ChecksumRow{"ZeroIsTwoDigits", "$aa", "*00"},
                      ChecksumRow{"TwoCharacters", "$A", "*41"},
                      ChecksumRow{"HighCodesUpperCase", "$\xff", "*FF"},
                      ChecksumRow{"OneCharacter", "$", ""}, ChecksumRow{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WithChecksumIfDue, EmptySentenceStaysEmpty) {
    EXPECT_EQ(withChecksumIfDue("", 1, 3), "");
    EXPECT_EQ(withChecksumIfDue("", 0, kSentenceRMC), "");
}

struct PlacesRow {
    const char* name;
    const char* text;
    int expected;
};

class DecimalPlaces : public ::testing::TestWithParam<PlacesRow> {};

TEST_P(DecimalPlaces, RoundedAndKeptWithinRange) {
    EXPECT_EQ(decimalPlacesFromText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecimalPlaces,
    ::testing::Values(PlacesRow{"Default", "4", 4}, PlacesRow{"RoundsUp", "2.6", 3},
                      PlacesRow{"RoundsDown", "2.4", 2}, PlacesRow{"Negative", "-2", 0},
                      PlacesRow{"AboveFifteen", "99", 15}, PlacesRow{"Huge", "1e999", 15},
                      PlacesRow{"BeyondSixteenBits", "70000", 15},
                      PlacesRow{"HugeNegative", "-1e999", 0}, PlacesRow{"Letters", "abc", 0},
                      PlacesRow{"Empty", "", 0}, PlacesRow{"TrailingText", " 3 places", 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
