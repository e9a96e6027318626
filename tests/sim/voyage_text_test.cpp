#include "sim/voyage_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelora {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

TEST(JoinFixes, EndsEveryFixWithCarriageReturnAndLineFeed) {
    EXPECT_EQ(joinFixes(Lines{"$GPGLL,1*11", "$GPGLL,2*22", "$GPGLL,3*33"}),
              "$GPGLL,1*11\r\n$GPGLL,2*22\r\n$GPGLL,3*33\r\n");
    EXPECT_EQ(joinFixes(Lines{}), "") << "no fixes give an empty file";
}

struct SplitRow {
    const char* name;
    std::string content;
    Lines lines;
    const char* fault = nullptr;  // the start of why the content is not a voyage
    VoyageTextLimits limits = {};
};

// Small bounds, so that rows can show both sides of each one.
constexpr VoyageTextLimits kThreeLinesOfFour{3, 4};

class SplitLines : public ::testing::TestWithParam<SplitRow> {};

void expectSplit(const VoyageLines& split, const SplitRow& row) {
    EXPECT_EQ(split.lines, row.lines);
    if (row.fault == nullptr) {
        EXPECT_EQ(split.fault, std::nullopt);
    } else {
        ASSERT_TRUE(split.fault.has_value());
        EXPECT_EQ(split.fault->rfind(row.fault, 0), 0u) << *split.fault;
    }
}

TEST_P(SplitLines, CutsAtLineEndsAndKeepsEveryOtherByte) {
    const SplitRow& row = GetParam();
    expectSplit(splitLines(row.content, row.limits), row);
}

// The same content fed one byte at a time: a CR LF split between two pieces is still one
// line end, and a fault is found at the same line.
TEST_P(SplitLines, GivesTheSameLinesWhenFedByteByByte) {
    const SplitRow& row = GetParam();
    LineSplitter splitter(row.limits);
    for (char c : row.content) splitter.feed(std::string_view(&c, 1));
    expectSplit(splitter.finish(), row);
}

// Whatever was saved loads back as the same fixes, for every row's lines.
TEST_P(SplitLines, RoundTripsThroughJoin) {
    const SplitRow& row = GetParam();
    const VoyageLines split = splitLines(joinFixes(row.lines), row.limits);
    EXPECT_EQ(split.lines, row.lines);
    EXPECT_EQ(split.fault, std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Voyage, SplitLines,
    ::testing::Values(
        SplitRow{"Empty", "", {}},
        SplitRow{"CrLf", "A\r\nB\r\nC\r\n", {"A", "B", "C"}},
        SplitRow{"Lf", "A\nB\nC\n", {"A", "B", "C"}},
        SplitRow{"MixedLineEnds", "A\r\nB\nC\r\n", {"A", "B", "C"}},
        SplitRow{"NoFinalLineEnd", "A\r\nB", {"A", "B"}},
        SplitRow{"SingleLineNoEnd", "A", {"A"}},
        SplitRow{"OnlyALineEnd", "\r\n", {""}},
        SplitRow{"EmptyLinesInsideAndAtTheEndAreFixes", "A\r\n\r\nB\r\n\r\n", {"A", "", "B", ""}},
        SplitRow{"LoneCarriageReturnIsData", "A\rB\r\nC\r", {"A\rB", "C\r"}},
        SplitRow{"OnlyTheLastCarriageReturnBelongsToTheLineEnd", "A\r\r\n", {"A\r"}},
        SplitRow{"TabIsData", "A\tB\r\n", {"A\tB"}},
        SplitRow{"HighBytesAreData", "\xff\xfe\xc3\xa9\r\n", {"\xff\xfe\xc3\xa9"}},
        SplitRow{"NulByteIsBinary", "A\r\nB\0C\r\n"s, {}, "line 2 holds binary data (byte 0x00)"},
        SplitRow{"EscapeIsBinary", "\x1b[1mA\r\n", {}, "line 1 holds binary data (byte 0x1B)"},
        SplitRow{"DeleteIsBinary", "A\x7f", {}, "line 1 holds binary data (byte 0x7F)"},
        SplitRow{"LinesAtTheLimits", "ABCD\r\nEFGH\nIJKL", {"ABCD", "EFGH", "IJKL"}, nullptr, kThreeLinesOfFour},
        SplitRow{"OneLineTooMany", "A\nB\nC\nD", {}, "it holds more than 3 lines", kThreeLinesOfFour},
        SplitRow{"EmptyLinesCount", "\n\n\n\n", {}, "it holds more than 3 lines", kThreeLinesOfFour},
        SplitRow{"LineOneByteTooLong", "ABCDE\r\n", {}, "line 1 is longer than 4 characters", kThreeLinesOfFour},
        SplitRow{"LastLineTooLongWithoutEnd", "A\nABCDE", {}, "line 2 is longer than 4 characters", kThreeLinesOfFour},
        SplitRow{"LoneCarriageReturnCountsAsData", "ABCD\r", {}, "line 1 is longer than 4 characters",
                 kThreeLinesOfFour},
        SplitRow{"TooLongBeforeABinaryByteLaterInTheLine", "ABCDEF\x7f", {}, "line 1 is longer than 4 characters",
                 kThreeLinesOfFour}),
    [](const ::testing::TestParamInfo<SplitRow>& info) { return std::string(info.param.name); });

// A line far longer than any sentence is refused as soon as it passes the limit, so that a
// huge file without line ends is never held in memory.
TEST(LineSplitter, RefusesAHugeLineAtTheFirstPieceOverTheLimit) {
    const std::string content = "A\r\n" + std::string(10u << 20, 'x') + "\r\nB";
    LineSplitter splitter;
    EXPECT_FALSE(splitter.feed(std::string_view(content).substr(0, 65'536)));
    EXPECT_FALSE(splitter.feed(std::string_view(content).substr(65'536)));
    const VoyageLines split = splitter.finish();
    EXPECT_TRUE(split.lines.empty());
    EXPECT_EQ(split.fault, "line 2 is longer than 1024 characters, so it is not a voyage line");
}

TEST(LineSplitter, StartsAfreshAfterFinish) {
    LineSplitter splitter;
    splitter.feed("A\r\nhalf");
    EXPECT_EQ(splitter.finish().lines, (Lines{"A", "half"}));
    splitter.feed(std::string_view("\0", 1));
    EXPECT_TRUE(splitter.finish().fault.has_value());
    splitter.feed("B\n");
    const VoyageLines split = splitter.finish();
    EXPECT_EQ(split.lines, (Lines{"B"}));
    EXPECT_EQ(split.fault, std::nullopt);
}

}  // namespace
}  // namespace pelora
