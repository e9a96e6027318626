#include "nmea/position_entry.h"

#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "nmea/position_format.h"

namespace pelora {
namespace {

struct EntryRow {
    const char* name;
    const char* entry;
    bool latitude;
    double expected;
};

class PositionEntry : public ::testing::TestWithParam<EntryRow> {};

TEST_P(PositionEntry, FreeFormatDegreesMinutesSeconds) {
    const EntryRow& row = GetParam();
    const double value = row.latitude ? User_lat(row.entry) : user_lon(row.entry);
    EXPECT_NEAR(value, row.expected, 1e-5) << row.entry;
}

constexpr bool kLat = true;
constexpr bool kLon = false;

INSTANTIATE_TEST_SUITE_P(
    Table, PositionEntry,
    ::testing::Values(EntryRow{"DefaultLatitude", "54N00.0000", kLat, 54.0},
                      EntryRow{"DefaultLongitude", "0001E00.0000", kLon, 1.0},
                      EntryRow{"South", "54S30.5", kLat, -54.508333333},
                      EntryRow{"West", "1W30", kLon, -1.5},
                      EntryRow{"Seconds", "50 30 15 S", kLat, -50.504166667},
                      EntryRow{"DecimalDegrees", "54.5N", kLat, 54.5},
                      EntryRow{"FourthNumberDropped", "12 34 56 78", kLat, 12.582222222},
                      EntryRow{"SecondPointStops", "10.5.3N", kLat, 10.5},
                      EntryRow{"UnseparatedField", "5430.0000,N", kLat, 5430.0},
                      EntryRow{"NoDigits", "abc", kLat, 0.0},
                      EntryRow{"SDoesNotCountForLongitude", "54S", kLon, 54.0}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Edges, PositionEntry,
    ::testing::Values(EntryRow{"Empty", "", kLat, 0.0},
                      EntryRow{"MinusIsOnlyASeparator", "-54 00", kLat, 54.0},
                      EntryRow{"LowerCaseSouth", "54s30", kLat, -54.5},
                      EntryRow{"SouthInsideAWord", "54 30 south", kLat, -54.5},
                      EntryRow{"LowerCaseWest", "3w", kLon, -3.0},
                      EntryRow{"WDoesNotCountForLatitude", "3W", kLat, 3.0},
                      EntryRow{"TooLargeForSinglePrecision", "9999999999999999999999999999999999999999999", kLat, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PositionEntry, FieldsAreHeldInSinglePrecision) {
    const double value = User_lat("54N30.1234");
    EXPECT_DOUBLE_EQ(value, 54.0 + static_cast<double>(30.1234f) / 60);
    EXPECT_NEAR(value, 54.50205666224, 1e-11);
    EXPECT_GT(std::abs(value - (54 + 30.1234 / 60)), 1e-9);
    // Just above the largest single-precision value, a field rounds to it; past what rounds to
    // it, the field overflows and reads as 0.
    EXPECT_EQ(User_lat("340282350000000000000000000000000000000"),
              static_cast<double>(std::numeric_limits<float>::max()));
    EXPECT_EQ(User_lat("340282370000000000000000000000000000000"), 0.0);
}

struct TemplateRow {
    const char* name;
    const char* templ;
    const char* entry;
    double expected;
};

class TemplateWalk : public ::testing::TestWithParam<TemplateRow> {};

TEST_P(TemplateWalk, FixedColumnsAndSkips) {
    EXPECT_NEAR(MyPosition(true, GetParam().templ, GetParam().entry), GetParam().expected, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TemplateWalk,
    ::testing::Values(TemplateRow{"DegreesMinutesColumns", "ddmm", "5430", 54.5},
                      TemplateRow{"SkipAColumn", "dd?mm", "54N30", 54.5},
                      TemplateRow{"SecondsColumns", "dd?mm?ss", "10 30 36", 10.51},
                      TemplateRow{"EntryShorterThanTemplate", "dddd", "5", 5},
                      TemplateRow{"ColumnWithSignReadsZero", "ddd", "-5", 0},
                      // Only free numbers advance the field counter: the first one is stored as the degrees.
                      TemplateRow{"FreeNumberReplacesColumnDegrees", "dd*", "54 30", 30},
                      TemplateRow{"FreeNumberThenColumns", "*?mm", "54N30S", -54.5},
                      TemplateRow{"EmptyTemplate", "", "54", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Isnum, OnlyTheFirstCharacterCounts) {
    EXPECT_TRUE(Isnum(""));
    EXPECT_TRUE(Isnum("7"));
    EXPECT_TRUE(Isnum("."));
    EXPECT_TRUE(Isnum("5a"));
    EXPECT_FALSE(Isnum("a"));
    EXPECT_FALSE(Isnum("-"));
    EXPECT_FALSE(Isnum(" "));
}

TEST(PositionEntry, DefaultEntriesFormatBack) {
    EXPECT_EQ(posformat(User_lat("54N00.0000"), true, 4, true), "5400.0000,N");
    EXPECT_EQ(posformat(user_lon("0001E00.0000"), false, 4, true), "00100.0000,E");
}

struct ExactRow {
    const char* name;
    const char* text;
    bool latitude;
    const char* boxText;  // nullptr: refused
};

class ExactPosition : public ::testing::TestWithParam<ExactRow> {};

// What the command line and scenario files accept must read back, through the position box's
// own parser, as the position meant; anything else is refused.
TEST_P(ExactPosition, AcceptsOnlyWhatReadsAsOnePosition) {
    const ExactRow& row = GetParam();
    const std::optional<std::string> text = exactPositionText(row.text, row.latitude);
    if (row.boxText == nullptr) {
        EXPECT_FALSE(text.has_value()) << *text;
        return;
    }
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, row.boxText);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExactPosition,
    ::testing::Values(ExactRow{"BoxLatitude", "54N00.0000", kLat, "54N00.0000"},
                      ExactRow{"BoxLongitude", "0001E00.0000", kLon, "0001E00.0000"},
                      ExactRow{"NegativeDecimalLongitudeIsWest", "-3.25", kLon, "3W15.00000"},
                      ExactRow{"NegativeDecimalLatitudeIsSouth", "-33.9", kLat, "33S54.00000"},
                      ExactRow{"UnsignedDecimal", "54.51", kLat, "54N30.60000"},
                      ExactRow{"DecimalWithLetter", "41.2875s", kLat, "41S17.25000"},
                      ExactRow{"MinusZero", "-0.0", kLon, "0E00.00000"},
                      ExactRow{"Seconds", "50 30 15 S", kLat, "50 30 15 S"},
                      ExactRow{"LetterFirst", "w1 30", kLon, "w1 30"},
                      ExactRow{"Letters", "abc", kLat, nullptr},
                      ExactRow{"Empty", "", kLat, nullptr},
                      ExactRow{"BeyondThePole", "99999999999999999999N", kLat, nullptr},
                      ExactRow{"JustBeyondTheDateLine", "-180.0001", kLon, nullptr},
                      ExactRow{"MinutesOfSixty", "54N60", kLat, nullptr},
                      ExactRow{"TwoLetters", "54N30S", kLat, nullptr},
                      ExactRow{"WrongLetterForLatitude", "54E30", kLat, nullptr},
                      ExactRow{"FractionBeforeTheLast", "54.5N30", kLat, nullptr},
                      ExactRow{"SignAndLetter", "-54N", kLat, nullptr},
                      ExactRow{"FourNumbers", "12 34 56 7 N", kLat, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// To a millimetre: the box's single precision holds minutes, not a fraction of a degree.
TEST(ExactPosition, DecimalDegreesReadBackThroughTheBox) {
    EXPECT_NEAR(user_lon(*exactPositionText("-3.25", kLon)), -3.25, 1e-8);
    EXPECT_NEAR(User_lat(*exactPositionText("-33.85", kLat)), -33.85, 1e-8);
    EXPECT_NEAR(User_lat(*exactPositionText("54.51N", kLat)), 54.51, 1e-8);
}

}  // namespace
}  // namespace pelora
