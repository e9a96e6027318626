#include "nmea/sentence.h"

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "nmea/sentence_table.h"

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

// The receiver forms, for one fix: six satellites used (four GPS, one GLONASS, one Galileo), one
// GPS satellite in view but not tracked, the time 12:34:56.789.
Fix receiverFix(FixState state) {
    Fix fix;
    fix.latitude = 54.5;
    fix.longitude = -1.25;
    fix.time = kNow;
    fix.millisecond = 789;
    fix.sogText = "10.0";
    fix.cogText = "045.0";
    fix.sogKnots = 10;
    fix.cogDegrees = 45;
    fix.headingDegrees = 44.56;
    fix.state = state;
    fix.satellitesUsed = 6;
    fix.dop = {1.8, 1.0, 1.5};
    fix.altitudeMetres = 12.34;
    fix.geoidSeparationMetres = 48;
    fix.errors = {2.5, 1.8, 1.2, 35.2, 1.5, 1.4, 3.1};
    fix.satellites = {
        {GnssSystem::Gps, 5, 45.4, 123.6, 41, true},      {GnssSystem::Gps, 12, 7.5, 359.6, -1, false},
        {GnssSystem::Gps, 17, 80, 10, 47, true},          {GnssSystem::Gps, 24, 30, 200, 38, true},
        {GnssSystem::Gps, 29, 20, 300, 35, true},         {GnssSystem::Glonass, 3, 50, 90, 44, true},
        {GnssSystem::Galileo, 11, 35, 270, 40, true},
    };
    return fix;
}

const std::vector<GnssSystem> kGpsOnly{GnssSystem::Gps};
const std::vector<GnssSystem> kThreeSystems{GnssSystem::Gps, GnssSystem::Glonass, GnssSystem::Galileo};
const std::vector<GnssSystem> kGpsAndGalileo{GnssSystem::Gps, GnssSystem::Galileo};

struct ReceiverRow {
    const char* name;
    const char* type;
    FixState state;
    NmeaVersion version;
    const char* talker;
    std::vector<GnssSystem> systems;
    const char* expected;  // the type's sentences, one a line, without checksums
};

class ReceiverForm : public ::testing::TestWithParam<ReceiverRow> {};

TEST_P(ReceiverForm, ComesOutByteForByte) {
    const ReceiverRow& row = GetParam();
    const SentenceType* type = findSentenceType(row.type);
    ASSERT_NE(type, nullptr);
    const SentenceStyle style{false, row.talker, row.version, row.systems};
    std::vector<std::string> sentences;
    type->compose(receiverFix(row.state), style, sentences);
    std::string joined;
    for (const std::string& sentence : sentences) joined += (joined.empty() ? "" : "\n") + sentence;
    EXPECT_EQ(joined, row.expected);
}

constexpr auto k23 = NmeaVersion::V23;
constexpr auto k410 = NmeaVersion::V410;
constexpr auto k411 = NmeaVersion::V411;
constexpr auto kNoFix = FixState::NoFix;
constexpr auto k2D = FixState::Fix2D;
constexpr auto k3D = FixState::Fix3D;
constexpr auto kDgps = FixState::Differential;

INSTANTIATE_TEST_SUITE_P(
    Rows, ReceiverForm,
    ::testing::Values(
        ReceiverRow{"GLL", "GLL", k3D, k23, "GP", kGpsOnly, "$GPGLL,5430.0000,N,00115.0000,W,123456.78,A,A"},
        ReceiverRow{"GLLNoFix", "GLL", kNoFix, k23, "GP", kGpsOnly, "$GPGLL,,,,,123456.78,V,N"},
        ReceiverRow{"GGA", "GGA", k3D, k23, "GP", kGpsOnly,
                    "$GPGGA,123456.78,5430.0000,N,00115.0000,W,1,06,1.0,12.3,M,48.0,M,,"},
        ReceiverRow{"GGANoFix", "GGA", kNoFix, k23, "GP", kGpsOnly, "$GPGGA,123456.78,,,,,0,00,,,,,,,"},
        ReceiverRow{"GGADifferential", "GGA", kDgps, k410, "GN", kGpsOnly,
                    "$GNGGA,123456.78,5430.0000,N,00115.0000,W,2,06,1.0,12.3,M,48.0,M,5,0100"},
        ReceiverRow{"RMC23", "RMC", k3D, k23, "GP", kGpsOnly,
                    "$GPRMC,123456.78,A,5430.0000,N,00115.0000,W,10.0,045.0,061226,,,A"},
        ReceiverRow{"RMC410NoFix", "RMC", kNoFix, k410, "GN", kGpsOnly, "$GNRMC,123456.78,V,,,,,,,061226,,,N,V"},
        ReceiverRow{"RMC411Differential", "RMC", kDgps, k411, "GN", kGpsOnly,
                    "$GNRMC,123456.78,A,5430.0000,N,00115.0000,W,10.0,045.0,061226,,,D,S"},
        ReceiverRow{"VTG", "VTG", k3D, k23, "GP", kGpsOnly, "$GPVTG,045.0,T,,M,10.0,N,18.5,K,A"},
        ReceiverRow{"VTGNoFix", "VTG", kNoFix, k23, "GP", kGpsOnly, "$GPVTG,,T,,M,,N,,K,N"},
        ReceiverRow{"ZDA", "ZDA", kNoFix, k23, "GP", kGpsOnly, "$GPZDA,123456.78,06,12,2026,00,00"},
        ReceiverRow{"GSA23", "GSA", k3D, k23, "GP", kGpsOnly, "$GPGSA,A,3,05,17,24,29,,,,,,,,,1.8,1.0,1.5"},
        ReceiverRow{"GSA2DHasNoVdop", "GSA", k2D, k23, "GP", kGpsOnly, "$GPGSA,A,2,05,17,24,29,,,,,,,,,1.8,1.0,"},
        ReceiverRow{"GSANoFix", "GSA", kNoFix, k410, "GP", kGpsOnly, "$GPGSA,A,1,,,,,,,,,,,,,,,,1"},
        ReceiverRow{"GSA410PerSystem", "GSA", kDgps, k410, "GN", kThreeSystems,
                    "$GNGSA,A,3,05,17,24,29,,,,,,,,,1.8,1.0,1.5,1\n"
                    "$GNGSA,A,3,67,,,,,,,,,,,,1.8,1.0,1.5,2\n"
                    "$GNGSA,A,3,11,,,,,,,,,,,,1.8,1.0,1.5,3"},
        ReceiverRow{"GSV23", "GSV", k3D, k23, "GP", kGpsOnly,
                    "$GPGSV,2,1,05,05,45,124,41,12,08,000,,17,80,010,47,24,30,200,38\n"
                    "$GPGSV,2,2,05,29,20,300,35"},
        ReceiverRow{"GSV410ListsTheSkyWithoutAFix", "GSV", kNoFix, k410, "GN", kThreeSystems,
                    "$GPGSV,2,1,05,05,45,124,41,12,08,000,,17,80,010,47,24,30,200,38,1\n"
                    "$GPGSV,2,2,05,29,20,300,35,1\n"
                    "$GLGSV,1,1,01,67,50,090,44,1\n"
                    "$GAGSV,1,1,01,11,35,270,40,7"},
        ReceiverRow{"GSV23GalileoNumbersApart", "GSV", k3D, k23, "GN", {GnssSystem::Galileo},
                    "$GAGSV,1,1,01,311,35,270,40"},
        ReceiverRow{"GSVEmptySystem", "GSV", k3D, k410, "GN", {GnssSystem::Beidou}, "$GBGSV,1,1,00,1"},
        ReceiverRow{"GNS410", "GNS", k3D, k410, "GN", kGpsAndGalileo,
                    "$GNGNS,123456.78,5430.0000,N,00115.0000,W,ANA,06,1.0,12.3,48.0,,,S"},
        ReceiverRow{"GNS23Differential", "GNS", kDgps, k23, "GN", kThreeSystems,
                    "$GNGNS,123456.78,5430.0000,N,00115.0000,W,DDD,06,1.0,12.3,48.0,5,0100"},
        ReceiverRow{"GNSNoFix", "GNS", kNoFix, k410, "GN", kThreeSystems, "$GNGNS,123456.78,,,,,NNN,00,,,,,,V"},
        ReceiverRow{"GST", "GST", k3D, k23, "GP", kGpsOnly, "$GPGST,123456.78,2.5,1.8,1.2,35.2,1.5,1.4,3.1"},
        ReceiverRow{"GSTNoFix", "GST", kNoFix, k23, "GP", kGpsOnly, "$GPGST,123456.78,,,,,,,"},
        ReceiverRow{"HDT", "HDT", k3D, k23, "GP", kGpsOnly, "$GPHDT,44.6,T"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
