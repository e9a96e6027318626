#include "text/number_text.h"
#include "text/text.h"

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct LenientRow {
    const char* name;
    std::string text;
    double expected;
};

class NumberFromText : public ::testing::TestWithParam<LenientRow> {};

TEST_P(NumberFromText, ReadsTheLeadingNumber) {
    const LenientRow& row = GetParam();
    EXPECT_EQ(number_from_text(row.text), row.expected) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NumberFromText,
    ::testing::Values(
        LenientRow{"TrailingLetters", "12.5abc", 12.5}, LenientRow{"Empty", "", 0},
        LenientRow{"Letters", "abc", 0}, LenientRow{"LeadingBlanksAndTab", "  \t7", 7},
        LenientRow{"Minus", "-3", -3}, LenientRow{"Plus", "+4", 4},
        LenientRow{"LoneSign", "-", 0}, LenientRow{"LonePoint", ".", 0},
        LenientRow{"PointFirst", ".5", 0.5}, LenientRow{"MinusPointFirst", "-.5", -0.5},
        LenientRow{"PointLast", "5.", 5}, LenientRow{"SecondPointEnds", "1.2.3", 1.2},
        LenientRow{"Exponent", "1e3", 1000}, LenientRow{"NegativeExponent", "2.5E-1x", 0.25},
        LenientRow{"ExponentWithoutDigits", "1e", 1}, LenientRow{"ExponentSignOnly", "7e+", 7},
        LenientRow{"BlankInsideEnds", "1 2", 1}, LenientRow{"Overflow", "1e999", kInf},
        LenientRow{"NegativeOverflow", "-1e999", -kInf}, LenientRow{"Underflow", "1e-999", 0},
        LenientRow{"LongDigitRunOverflows", std::string(400, '9'), kInf},
        LenientRow{"SmallMantissaBigExponent", "0.0001e-400", 0},
        LenientRow{"CommaIsNotAPoint", "2,5", 2}),
    [](const auto& info) { return std::string(info.param.name); });

struct StrictRow {
    const char* name;
    const char* text;
    std::optional<double> expected;
};

class StrictNumberFromText : public ::testing::TestWithParam<StrictRow> {};

TEST_P(StrictNumberFromText, AcceptsOnlyAWholeNumber) {
    const StrictRow& row = GetParam();
    EXPECT_EQ(strictNumberFromText(row.text), row.expected) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StrictNumberFromText,
    ::testing::Values(StrictRow{"Plain", "359", 359.0}, StrictRow{"BlanksAround", " -0.5 ", -0.5},
                      StrictRow{"Exponent", "1e3", 1000.0}, StrictRow{"Empty", "", std::nullopt},
                      StrictRow{"Blanks", "   ", std::nullopt},
                      StrictRow{"TrailingLetters", "2.5x", std::nullopt},
                      StrictRow{"LonePoint", ".", std::nullopt},
                      StrictRow{"TwoPoints", "1.2.3", std::nullopt},
                      StrictRow{"TooLarge", "1e999", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct FormatRow {
    const char* name;
    double value;
    int intDigits;
    int decimals;
    bool point;
    std::string expected;
};

class FormatDigits : public ::testing::TestWithParam<FormatRow> {};

TEST_P(FormatDigits, WritesThePattern) {
    const FormatRow& row = GetParam();
    EXPECT_EQ(formatDigits(row.value, row.intDigits, row.decimals, row.point), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatDigits,
    ::testing::Values(
        // Halves round up as the number reads in decimal, not as its binary value lies.
        FormatRow{"DecimalHalfUp", 2.675, 1, 2, false, "2.68"},
        FormatRow{"DecimalHalfUpBelowBinary", 1.005, 1, 2, false, "1.01"},
        FormatRow{"PointFifteen", 0.15, 1, 1, false, "0.2"},
        FormatRow{"HalfToWhole", 0.5, 3, 0, false, "001"},
        FormatRow{"CarryIntoNewDigit", 99.96, 3, 1, false, "100.0"},
        FormatRow{"CarryAllNines", 9.95, 1, 1, false, "10.0"},
        FormatRow{"HeadingRoundsTo360", 359.6, 3, 0, false, "360"},
        FormatRow{"NegativeKeepsSign", -5, 3, 0, false, "-005"},
        FormatRow{"NegativeHalfAwayFromZero", -2.5, 1, 0, false, "-3"},
        FormatRow{"NegativeRoundingToZeroHasNoSign", -0.04, 1, 1, false, "0.0"},
        FormatRow{"Zero", 0, 1, 1, false, "0.0"},
        FormatRow{"PointWithoutDecimals", 5, 2, 0, true, "05."},
        FormatRow{"NoIntegerDigitsWanted", 0.25, 0, 2, false, ".25"},
        FormatRow{"FifteenSignificantDigits", 123456789012345678.0, 1, 0, false, "123456789012346000"},
        FormatRow{"Tiny", 1e-300, 1, 2, false, "0.00"},
        FormatRow{"JustBelowRoundingDigit", 0.004999, 1, 2, false, "0.00"},
        FormatRow{"NaN", kNaN, 3, 1, false, "000.0"},
        FormatRow{"Infinity", kInf, 1, 1, false, "0.0"},
        FormatRow{"DecimalsCappedAt15", 0.5, 1, 40, false, "0.500000000000000"},
        FormatRow{"NegativeDecimalsTakenAsZero", 2.4, 1, -3, false, "2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatDigits, HugeMagnitudeGivesAllItsDigits) {
    EXPECT_EQ(formatDigits(1e300, 3, 0), "1" + std::string(300, '0'));
    EXPECT_EQ(formatDigits(-1.5e20, 1, 1), "-150000000000000000000.0");
}

TEST(FormatDigits, NamedPatterns) {
    EXPECT_EQ(formatHeading(7.2), "007");
    EXPECT_EQ(formatCourse(45), "045.0");
    EXPECT_EQ(formatSpeed(6), "6.0");
    EXPECT_EQ(formatSpeed(12.25), "12.3");
    EXPECT_EQ(formatYear(2026), "2026");
    EXPECT_EQ(formatYear(7), "0007");
}

struct ShortestRow {
    const char* name;
    double value;
    const char* expected;
};

class ShortestNumberText : public ::testing::TestWithParam<ShortestRow> {};

TEST_P(ShortestNumberText, WritesThePlainShortestForm) {
    EXPECT_EQ(shortestNumberText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShortestNumberText,
    ::testing::Values(ShortestRow{"MinusHalf", -0.5, "-0.5"}, ShortestRow{"Zero", 0, "0"},
                      ShortestRow{"NegativeZero", -0.0, "0"}, ShortestRow{"One", 1, "1"},
                      ShortestRow{"TwoAndAHalf", 2.5, "2.5"},
                      ShortestRow{"SumWithBinaryNoise", 0.1 + 0.2, "0.3"},
                      ShortestRow{"RepeatedSteps", -0.5 * 7 + 0.5 * 3, "-2"},
                      ShortestRow{"Fraction", 123.456, "123.456"},
                      ShortestRow{"SmallPlain", 1e-7, "0.0000001"},
                      ShortestRow{"LargePlain", 1e20, "100000000000000000000"},
                      ShortestRow{"Enormous", 1e300, "1E+300"}, ShortestRow{"NaN", kNaN, "0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BlankSigned, BlankWhereTheMinusWouldStand) {
    EXPECT_EQ(blankSigned(3), " 3");
    EXPECT_EQ(blankSigned(0), " 0");
    EXPECT_EQ(blankSigned(-3), "-3");
    EXPECT_EQ(blankSigned(12), " 12");
}

TEST(FolderOf, TheFolderPartOfAPath) {
    EXPECT_EQ(folderOf("/run/user/1000/pelora/ttyNMEA"), "/run/user/1000/pelora");
    EXPECT_EQ(folderOf("/ttyNMEA"), "/");
    EXPECT_EQ(folderOf("pelora.ini"), ".");
}

// A locale with a decimal comma must change neither reading nor writing.
TEST(NumberText, IndependentOfTheLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(number_from_text("2.5"), 2.5);
    EXPECT_EQ(formatDigits(2.5, 1, 1), "2.5");
    EXPECT_EQ(shortestNumberText(-0.5), "-0.5");
    std::setlocale(LC_NUMERIC, previous.c_str());
}

}  // namespace
}  // namespace pelora
