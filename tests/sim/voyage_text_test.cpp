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
};

class SplitLines : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitLines, CutsAtLineEndsAndKeepsEveryOtherByte) {
    const SplitRow& row = GetParam();
    EXPECT_EQ(splitLines(row.content), row.lines);
}

// The same content fed one byte at a time: a CR LF split between two pieces is still one
// line end.
TEST_P(SplitLines, GivesTheSameLinesWhenFedByteByByte) {
    const SplitRow& row = GetParam();
    LineSplitter splitter;
    for (char c : row.content) splitter.feed(std::string_view(&c, 1));
    EXPECT_EQ(splitter.finish(), row.lines);
}

// Whatever was saved loads back as the same fixes, for every row's lines.
TEST_P(SplitLines, RoundTripsThroughJoin) {
    const SplitRow& row = GetParam();
    EXPECT_EQ(splitLines(joinFixes(row.lines)), row.lines);
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
        SplitRow{"NulBytesAreData", "A\0B\r\n\0\r\n"s, {"A\0B"s, "\0"s}},
        SplitRow{"HighBytesAreData", "\xff\xfe\xc3\xa9\r\n", {"\xff\xfe\xc3\xa9"}}),
    [](const ::testing::TestParamInfo<SplitRow>& info) { return std::string(info.param.name); });

TEST(LineSplitter, KeepsATenMegabyteLineWhole) {
    const std::string longLine(10u << 20, 'x');
    LineSplitter splitter;
    const std::string content = "A\r\n" + longLine + "\r\nB";
    for (std::size_t at = 0; at < content.size(); at += 65'536) {
        splitter.feed(std::string_view(content).substr(at, 65'536));
    }
    const Lines lines = splitter.finish();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "A");
    EXPECT_EQ(lines[1], longLine);
    EXPECT_EQ(lines[2], "B");
}

TEST(LineSplitter, StartsAfreshAfterFinish) {
    LineSplitter splitter;
    splitter.feed("A\r\nhalf");
    EXPECT_EQ(splitter.finish(), (Lines{"A", "half"}));
    splitter.feed("B\n");
    EXPECT_EQ(splitter.finish(), (Lines{"B"}));
}

}  // namespace
}  // namespace pelora
