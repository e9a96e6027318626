// When the fleet's targets report: the interval table through a fleet over simulated time.
#include <chrono>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ais/ais_fleet.h"
#include "ais/flat_chart.h"
#include "ais/random_targets.h"
#include "ais/report_interval.h"

namespace pelora {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const AisTime kStart{std::chrono::sys_days{std::chrono::year{2026} / 5 / 1}};

// What a test needs of a sentence: the message type, MMSI and (message 24) part number from
// the start of its payload; nothing for the later fragments of a message.
struct Heard {
    int type = 0;
    std::uint32_t mmsi = 0;
    int part = 0;
};

std::optional<Heard> hear(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1) {
        fields.push_back(line.substr(start, comma - start));
    }
    if (fields.size() < 6 || fields[2] != "1") return std::nullopt;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 7; ++i) {
        int value = fields[5][i] - '0';
        if (value > 40) value -= 8;
        bits = (bits << 6) | static_cast<std::uint64_t>(value);
    }
    return Heard{static_cast<int>(bits >> 36), static_cast<std::uint32_t>((bits >> 4) & 0x3FFFFFFF),
                 static_cast<int>((bits >> 2) & 3)};
}

struct IntervalRow {
    const char* label;
    AisClass aisClass;
    double speedKnots;
    double rateOfTurnDegPerMin;
    NavigationStatus status;
    milliseconds interval;
};

constexpr auto kUnderWay = NavigationStatus::UnderWayUsingEngine;

// One target alone in a fleet for twenty simulated minutes, ticked once a second.
class FleetOverTime : public ::testing::TestWithParam<IntervalRow> {};

TEST_P(FleetOverTime, ReportsAtItsInterval) {
    const IntervalRow& row = GetParam();
    AisTarget target;
    target.mmsi = 244123456;
    target.aisClass = row.aisClass;
    target.lat = 52;
    target.lon = 4;
    target.speedKnots = row.speedKnots;
    target.rateOfTurnDegPerMin = row.rateOfTurnDegPerMin;
    target.status = row.status;
    AisFleet fleet;
    ASSERT_EQ(fleet.add(target), std::nullopt);

    std::vector<milliseconds> positions;
    std::vector<milliseconds> statics;
    const milliseconds run = std::chrono::minutes(20);
    for (milliseconds t{0}; t <= run; t += seconds(1)) {
        for (const std::string& line : fleet.tick(kStart + t)) {
            const auto heard = hear(line);
            if (!heard) continue;
            EXPECT_EQ(heard->mmsi, target.mmsi);
            if (heard->type == 1 || heard->type == 18) {
                EXPECT_EQ(heard->type, row.aisClass == AisClass::A ? 1 : 18);
                positions.push_back(t);
            } else if (heard->type == 5 || (heard->type == 24 && heard->part == 0)) {
                EXPECT_EQ(heard->type, row.aisClass == AisClass::A ? 5 : 24);
                statics.push_back(t);
            } else {
                EXPECT_EQ(heard->type, 24);
                ASSERT_FALSE(statics.empty());
                EXPECT_EQ(statics.back(), t) << "part B goes out with part A";
            }
        }
    }
    ASSERT_FALSE(positions.empty());
    EXPECT_LE(positions.front(), std::min(row.interval, milliseconds(seconds(10))));
    // Each report at the first tick after its nominal time, which runs on by whole intervals
    // (a 3 1/3 s interval gives gaps of 3 and 4 s, never drifting).
    for (std::size_t k = 1; k < positions.size(); ++k) {
        const milliseconds sinceFirst = positions[k] - positions.front();
        EXPECT_LT(std::chrono::abs(sinceFirst - row.interval * static_cast<long>(k)), seconds(1)) << "report " << k;
    }
    EXPECT_GE(positions.back() + row.interval, run) << "no report missing at the end";

    ASSERT_EQ(statics.size(), 4u);  // at 0-10 s, then every six minutes
    EXPECT_LT(statics.front(), seconds(10));
    for (std::size_t k = 1; k < statics.size(); ++k) EXPECT_EQ(statics[k] - statics[k - 1], kStaticDataInterval);
}

// The interval table at its edges, each row a target reporting through the fleet.
INSTANTIATE_TEST_SUITE_P(
    Rows, FleetOverTime,
    ::testing::Values(
        IntervalRow{"AnchoredDrifting3Knots", AisClass::A, 3, 0, NavigationStatus::AtAnchor, std::chrono::minutes(3)},
        IntervalRow{"MooredDragging", AisClass::A, 3.1, 0, NavigationStatus::Moored, seconds(10)},
        IntervalRow{"FourteenKnots", AisClass::A, 14, 0, kUnderWay, seconds(10)},
        IntervalRow{"FourteenKnotsTurning", AisClass::A, 14, -10.5, kUnderWay, milliseconds(3333)},
        IntervalRow{"SlowTurnIsNoCourseChange", AisClass::A, 10, 10, kUnderWay, seconds(10)},
        IntervalRow{"FifteenKnots", AisClass::A, 15, 0, kUnderWay, seconds(6)},
        IntervalRow{"TwentyThreeKnotsTurning", AisClass::A, 23, 30, kUnderWay, seconds(2)},
        IntervalRow{"Fast", AisClass::A, 23.1, 0, kUnderWay, seconds(2)},
        IntervalRow{"ClassBTwoKnots", AisClass::B, 2, 0, NavigationStatus::NotDefined, std::chrono::minutes(3)},
        IntervalRow{"ClassBMovingIgnoresStatusAndTurn", AisClass::B, 2.1, 90, NavigationStatus::AtAnchor,
                    seconds(30)}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(AisFleet, ALateTickMovesTheWholeGapAndMakesOneReport) {
    AisTarget target;
    target.mmsi = 257000001;
    target.lat = 60;
    target.speedKnots = 10;
    target.rateOfTurnDegPerMin = 0.5;  // turns: moved in one-second steps
    AisFleet fleet;
    ASSERT_EQ(fleet.add(target), std::nullopt);
    fleet.tick(kStart);
    std::map<int, int> messages;
    for (const std::string& line : fleet.tick(kStart + std::chrono::hours(1))) {
        if (const auto heard = hear(line)) ++messages[heard->type];
    }
    EXPECT_EQ(messages, (std::map<int, int>{{1, 1}, {5, 1}})) << "one report of each kind, none made up";
    const ChartOffset moved = chartOffset(target.lat, target.lon, fleet.motion(0).lat(), fleet.motion(0).lon());
    // Ten nautical miles along an arc of 30 degrees: the chord is 9.89 NM.
    EXPECT_NEAR(std::hypot(moved.eastNm, moved.northNm), 9.886, 0.005);
    EXPECT_NEAR(fleet.motion(0).courseDeg(), 30, 1e-9);
}

TEST(AisFleet, RefusesASecondTargetWithTheSameMmsi) {
    AisFleet fleet;
    AisTarget first;
    first.mmsi = 211000001;
    first.name = "FIRST";
    ASSERT_EQ(fleet.add(first), std::nullopt);
    AisTarget second = first;
    second.name = "SECOND";
    EXPECT_EQ(fleet.add(second), "MMSI 211000001: already the MMSI of target \"FIRST\"");
    EXPECT_EQ(fleet.size(), 1u);
}

TEST(AisFleet, AThousandTargetsSpreadTheirFirstReportsAndRepeatExactly) {
    const auto targets = randomTargets({1000, 20}, 50, -1, 7);
    AisFleet fleet;
    AisFleet twin;
    for (const AisTarget& target : targets) {
        ASSERT_EQ(fleet.add(target), std::nullopt);
        ASSERT_EQ(twin.add(target), std::nullopt);
    }
    std::map<std::uint32_t, int> firstSecond;
    std::map<int, int> firstsInSecond;
    for (int second = 0; second < 60; ++second) {
        const auto lines = fleet.tick(kStart + seconds(second));
        ASSERT_EQ(twin.tick(kStart + seconds(second)), lines);
        for (const std::string& line : lines) {
            const auto heard = hear(line);
            if (heard && (heard->type == 1 || heard->type == 18) && firstSecond.emplace(heard->mmsi, second).second) {
                ++firstsInSecond[second];
            }
        }
    }
    EXPECT_EQ(firstSecond.size(), targets.size());
    for (const auto& [second, count] : firstsInSecond) {
        EXPECT_LE(second, 10);
        EXPECT_LE(count, 150) << "a thousand first reports spread over ten seconds, not " << count << " at second " << second;
    }
}

}  // namespace
}  // namespace pelora
