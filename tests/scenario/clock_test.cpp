#include "scenario/calendar.h"
#include "scenario/simulated_clock.h"

#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

using std::chrono::seconds;

// Seconds since 1970 as Python's datetime counts them.
struct EpochRow {
    const char* name;
    DateTime when;
    std::int64_t seconds;
};

class EpochSeconds : public ::testing::TestWithParam<EpochRow> {};

TEST_P(EpochSeconds, AgreeBothWays) {
    EXPECT_EQ(secondsSinceEpoch(GetParam().when), GetParam().seconds);
    EXPECT_EQ(isoUtcText(dateTimeAt(GetParam().seconds)), isoUtcText(GetParam().when));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EpochSeconds,
    ::testing::Values(EpochRow{"LeapDay", {2000, 2, 29, 23, 59, 59}, 951868799},
                      EpochRow{"LastSecondBeforeTheEpoch", {1969, 12, 31, 23, 59, 59}, -1},
                      EpochRow{"PastThirtyTwoBits", {2038, 1, 19, 3, 14, 8}, 2147483648LL},
                      EpochRow{"FirstYear", {1, 1, 1, 0, 0, 0}, -62135596800LL},
                      EpochRow{"LastYear", {9999, 12, 31, 23, 59, 59}, 253402300799LL}),
    [](const auto& info) { return std::string(info.param.name); });

struct IsoRow {
    const char* name;
    const char* text;
    const char* utc;  // "" when refused
};

class IsoTimes : public ::testing::TestWithParam<IsoRow> {};

TEST_P(IsoTimes, ReadAsUtc) {
    const auto read = parseIsoUtc(GetParam().text);
    EXPECT_EQ(read ? isoUtcText(*read) : std::string(), GetParam().utc);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IsoTimes,
    ::testing::Values(IsoRow{"Zulu", "2026-06-01T08:00:00Z", "2026-06-01T08:00:00Z"},
                      IsoRow{"OffsetAcrossMidnight", "2026-03-01T01:30:00+02:00", "2026-02-28T23:30:00Z"},
                      IsoRow{"NegativeOffset", "2024-02-28T22:00:00-03:00", "2024-02-29T01:00:00Z"},
                      IsoRow{"NoZone", "2026-06-01T08:00:00", ""}, IsoRow{"Fraction", "2026-06-01T08:00:00.5Z", ""},
                      IsoRow{"NotALeapYear", "2026-02-29T08:00:00Z", ""},
                      IsoRow{"HourTwentyFour", "2026-06-01T24:00:00Z", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatedClock, TicksAcrossTheYearAndStepsWithoutMovingTheMonotonicTime) {
    SimulatedClock clock(DateTime{2024, 12, 31, 23, 59, 59});
    clock.tick();
    EXPECT_EQ(isoUtcText(clock.utcNow()), "2025-01-01T00:00:00Z");
    EXPECT_EQ(isoUtcText(clock.localNow()), "2025-01-01T00:00:00Z") << "local time is UTC";

    clock.step(seconds(-3600));
    EXPECT_EQ(isoUtcText(clock.utcNow()), "2024-12-31T23:00:00Z");
    clock.tick();
    EXPECT_EQ(clock.monotonicNow(), std::chrono::milliseconds(2000)) << "two ticks, whatever the step";
    EXPECT_EQ(clock.elapsed(), seconds(2));
}

TEST(WeekRollover, GoesBack1024Weeks) {
    // The 2019 rollover put receivers back on 22 August 1999.
    EXPECT_EQ(isoUtcText(weekRolloverDate(DateTime{2019, 4, 7, 0, 0, 0})), "1999-08-22T00:00:00Z");
    EXPECT_EQ(isoUtcText(weekRolloverDate(DateTime{2026, 6, 1, 8, 0, 0})), "2006-10-16T08:00:00Z");
}

}  // namespace
}  // namespace pelora
