#include "sim/voyage_pacing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pelora {
namespace {

using Lines = std::vector<std::string>;
using std::chrono::milliseconds;

// 12:35:19 and 12:35:20 as times of day.
constexpr milliseconds k123519{(12 * 3600 + 35 * 60 + 19) * 1000};
constexpr milliseconds k123520 = k123519 + milliseconds(1000);

struct TimeRow {
    const char* name;
    std::string line;
    std::optional<milliseconds> time;
};

class SentenceTimeOfDay : public ::testing::TestWithParam<TimeRow> {};

TEST_P(SentenceTimeOfDay, ReadsTheTimeFieldOfItsSentence) {
    EXPECT_EQ(sentenceTimeOfDay(GetParam().line), GetParam().time);
}

INSTANTIATE_TEST_SUITE_P(
    Voyage, SentenceTimeOfDay,
    ::testing::Values(
        TimeRow{"Gga", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", k123519},
        TimeRow{"RmcOfAnotherTalker", "$GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
                k123519},
        TimeRow{"GllHasItInField5", "$GPGLL,4916.45,N,12311.12,W,123519,A*2C", k123519},
        TimeRow{"ZdaWithoutChecksum", "$GPZDA,123519,07,12,2026,00,00", k123519},
        TimeRow{"ChecksumEndsTheField", "$GPZDA,123519*5A", k123519},
        TimeRow{"Hundredths", "$GPGGA,123519.25,,,,,0,,,,,,,,*66", k123519 + milliseconds(250)},
        TimeRow{"DigitsPastMillisecondsAreDropped", "$GPGST,123519.2509,1.0,,,,,,*6F", k123519 + milliseconds(250)},
        TimeRow{"LeapSecond", "$GPRMC,235960,A,,,,,,,,,*00", milliseconds((23 * 3600 + 59 * 60 + 60) * 1000)},
        TimeRow{"EmptyTimeField", "$GPGGA,,,,,,0,,,,,,,,*66", std::nullopt},
        TimeRow{"NoTimeOfDay", "$GPGGA,246000,,,,,0,,,,,,,,*66", std::nullopt},
        TimeRow{"NotDigits", "$GPGGA,12a519,,,,,0,,,,,,,,*66", std::nullopt},
        TimeRow{"PointWithoutFraction", "$GPGGA,123519.,,,,,0,,,,,,,,*66", std::nullopt},
        TimeRow{"GllTooShort", "$GPGLL,4916.45,N*2C", std::nullopt},
        TimeRow{"SentenceWithoutTime", "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39", std::nullopt},
        TimeRow{"Proprietary", "$PGRMZ,123519,f,3*19", std::nullopt},
        TimeRow{"Ais", "!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*5D", std::nullopt},
        TimeRow{"NotASentence", "GPGGA,123519", std::nullopt},
        TimeRow{"Empty", "", std::nullopt}),
    [](const ::testing::TestParamInfo<TimeRow>& info) { return std::string(info.param.name); });

// The sentences a receiver sends for one fix, the time field at `time`.
Lines receiverFix(const std::string& time) {
    return {"$GPGGA," + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
            "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39",
            "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75",
            "$GPGSV,2,2,08,15,15,062,42,17,40,083,46,19,17,308,41,24,07,344,39*72",
            "$GPRMC," + time + ",A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
            "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"};
}

Lines joined(std::initializer_list<Lines> parts) {
    Lines lines;
    for (const Lines& part : parts) lines.insert(lines.end(), part.begin(), part.end());
    return lines;
}

struct GroupRow {
    const char* name;
    Lines lines;
    std::vector<std::size_t> sizes;  // the number of lines of each group, in order
};

class GroupByTime : public ::testing::TestWithParam<GroupRow> {};

TEST_P(GroupByTime, CutsTheLinesIntoFixes) {
    const std::vector<LineGroup> groups = groupByTime(GetParam().lines);
    std::vector<std::size_t> sizes;
    std::size_t next = 0;
    for (const LineGroup& group : groups) {
        EXPECT_EQ(group.first, next) << "the groups cover every line once, in order";
        next = group.first + group.count;
        sizes.push_back(group.count);
    }
    EXPECT_EQ(sizes, GetParam().sizes);
}

INSTANTIATE_TEST_SUITE_P(
    Voyage, GroupByTime,
    ::testing::Values(
        GroupRow{"SixSentencesPerFix", joined({receiverFix("123519"), receiverFix("123520"), receiverFix("123521")}),
                 {6, 6, 6}},
        GroupRow{"OneSentencePerFix", {"$GPGLL,1,N,2,W,123519,A*00", "$GPGLL,1,N,2,W,123520,A*00",
                                       "$GPGLL,1,N,2,W,123521,A*00"}, {1, 1, 1}},
        GroupRow{"LogStartingInsideAFix",
                 joined({{"$GPGSV,2,2,08,15,15,062,42*72", "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"},
                         receiverFix("123519"), receiverFix("123520")}),
                 {8, 6}},
        GroupRow{"FixWithoutPositionHasNoTime",
                 joined({receiverFix("123519"), {"$GPGGA,,,,,,0,,,,,,,,*66"}, receiverFix("123520")}), {7, 6}},
        GroupRow{"SameSecondWrittenTwoWays", {"$GPGGA,123519.00,,,,,0,,,,,,,,*66", "$GPRMC,123519.000,V,,,,,,,,,*00",
                                               "$GPZDA,123519,07,12,2026,00,00*00"}, {3}},
        GroupRow{"TenthsApartAreTwoFixes", {"$GPGGA,123519.1,,,,,0,,,,,,,,*66", "$GPGGA,123519.2,,,,,0,,,,,,,,*66"},
                 {1, 1}},
        GroupRow{"TimeGoingBackStartsAGroup", joined({receiverFix("123520"), receiverFix("123519")}), {6, 6}},
        GroupRow{"NoTimesAtAllIsOneGroup", {"A", "", "$GPGSA,A,3*39"}, {3}},
        GroupRow{"NoLines", {}, {}}),
    [](const ::testing::TestParamInfo<GroupRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
