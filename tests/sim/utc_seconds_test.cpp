#include "sim/utc_seconds.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

struct UtcRow {
    const char* name;
    DateTime when;
    long long seconds;  // as `date -u -d ... +%s` gives them
};

class UtcSeconds : public ::testing::TestWithParam<UtcRow> {};

TEST_P(UtcSeconds, CountsFrom1970AndBack) {
    const UtcRow& row = GetParam();
    EXPECT_EQ(utcSecondsSince1970(row.when), row.seconds);
    const DateTime back = utcFromSecondsSince1970(row.seconds);
    EXPECT_EQ(utcSecondsSince1970(back), row.seconds);
    EXPECT_TRUE(back.month >= 1 && back.month <= 12 && back.day >= 1 && back.day <= 31 && back.hour < 24 &&
                back.minute < 60 && back.second < 60);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UtcSeconds,
    ::testing::Values(UtcRow{"Epoch", {1970, 1, 1, 0, 0, 0}, 0},
                      UtcRow{"SecondBeforeEpoch", {1969, 12, 31, 23, 59, 59}, -1},
                      UtcRow{"LeapDay2000", {2000, 2, 29, 12, 0, 0}, 951825600},
                      UtcRow{"CenturyWithoutLeapDay", {2100, 3, 1, 0, 0, 0}, 4107542400},
                      UtcRow{"GpsTableEpoch", {1993, 7, 1, 0, 0, 0}, 741484800},
                      UtcRow{"Past32Bits", {2038, 1, 19, 3, 14, 8}, 2147483648},
                      UtcRow{"Before1970LeapCentury", {1600, 3, 1, 0, 0, 0}, -11670912000},
                      UtcRow{"Month13CarriesIntoTheYear", {2025, 13, 1, 0, 0, 0}, 1767225600},
                      UtcRow{"Day32CarriesIntoTheMonth", {2025, 12, 32, 0, 0, 0}, 1767225600}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UtcSeconds, FarOutsideTheCalendarStaysAValidDate) {
    const DateTime far = utcFromSecondsSince1970(INT64_MAX);
    EXPECT_TRUE(far.month >= 1 && far.month <= 12 && far.day >= 1 && far.day <= 31);
}

}  // namespace
}  // namespace pelora
