// What the window shows of the simulation: the status line's tool tip, the playback line's
// route and scenario progress, and the chart's snapshot of the ship, its route and the targets.
#include <chrono>

#include <gtest/gtest.h>

#include "present/chart_feed.h"
#include "present/status_texts.h"
#include "present/window_place.h"

namespace pelora {
namespace {

using std::chrono::seconds;

Fix fixOf(FixState state, int used, double hdop) {
    Fix fix;
    fix.state = state;
    fix.satellitesUsed = used;
    fix.dop.hdop = hdop;
    return fix;
}

TEST(StatusTexts, FixStateAndTheToolTipItJoins) {
    EXPECT_EQ(fixStateText(fixOf(FixState::Fix3D, 9, 0.94)), "3D fix, 9 satellites used, HDOP 0.9");
    EXPECT_EQ(fixStateText(fixOf(FixState::Differential, 1, 1.25)), "Differential fix, 1 satellite used, HDOP 1.3");
    EXPECT_EQ(fixStateText(fixOf(FixState::NoFix, 0, 99.9)), "No fix, 0 satellites used");
    EXPECT_EQ(statusToolTip("No such file or directory", "No fix, 0 satellites used", "bad-checksum: 6"),
              "No such file or directory\nNo fix, 0 satellites used\nFaults injected: bad-checksum: 6");
    EXPECT_EQ(statusToolTip("", "3D fix, 9 satellites used, HDOP 0.9", ""), "3D fix, 9 satellites used, HDOP 0.9");
    EXPECT_EQ(scenarioProgressText("harbour", seconds(3905), seconds(108000)),
              "Scenario harbour: 01:05:05 of 30:00:00");
    EXPECT_EQ(scenarioProgressText("harbour", seconds(65), std::nullopt), "Scenario harbour: 00:01:05");
}

Route twoLegs() {
    return Route{"Harbour approach", {{"Fairway", 54.01, 1.0}, {"", 54.02, 1.0}}};
}

TEST(StatusTexts, RouteProgressFromStartToArrival) {
    RouteFollower route(twoLegs());
    EXPECT_EQ(routeProgressText(route), "Route Harbour approach: leg 1 of 2");
    route.update(54.0, 1.0, 6, 0);
    // 0.6 NM to the first waypoint, 0.6 NM more to the second (a minute of latitude, nearly a mile).
    EXPECT_EQ(routeProgressText(route), "Route Harbour approach: leg 1 of 2 to Fairway, 1.20 NM to go");
    route.update(54.0101, 1.0, 6, 0);
    route.update(54.0102, 1.0, 6, 0);
    EXPECT_EQ(routeProgressText(route), "Route Harbour approach: leg 2 of 2 to 002, 0.59 NM to go");
    route.update(54.02, 1.0, 6, 0);
    EXPECT_EQ(routeProgressText(route), "Route Harbour approach: arrived");
}

TEST(ChartFeed, TheShipTheRouteWithItsActiveLegAndTheTargetsWithTheirApproach) {
    RouteFollower route(Route{"R", {{"A", 54.0, 1.0}, {"B", 54.1, 1.0}, {"C", 54.2, 1.0}}}, 0.2);
    AisFleet fleet;
    ASSERT_FALSE(fleet.add(AisTarget{.mmsi = 235012345, .name = "ARGO", .lat = 54.05, .lon = 1.1, .courseDeg = 270,
                                     .speedKnots = 10}));
    Fix fix;
    fix.latitude = 54.05;
    fix.longitude = 1.0;
    fix.sogKnots = 10;
    fix.cogDegrees = 0;
    fix.headingDegrees = 2;
    route.update(54.0, 1.0, 10, 0);   // reaches A: the leg from A to B is active
    route.update(54.05, 1.0, 10, 0);

    const ChartSnapshot snapshot = chartSnapshot(&fix, &route, fleet);
    ASSERT_TRUE(snapshot.ship.has_value());
    EXPECT_EQ(snapshot.ship->position, (GeoPoint{54.05, 1.0}));
    EXPECT_DOUBLE_EQ(snapshot.ship->headingDegrees, 2);
    ASSERT_TRUE(snapshot.route.has_value());
    EXPECT_EQ(snapshot.route->waypoints.size(), 3u);
    EXPECT_EQ(snapshot.route->activeLeg, std::optional<std::size_t>(0));
    EXPECT_DOUBLE_EQ(snapshot.route->arrivalRadiusNm, 0.2);
    ASSERT_EQ(snapshot.targets.size(), 1u);
    const ClosestApproach expected = closestApproach({54.05, 1.0, 10, 0}, {54.05, 1.1, 10, 270});
    EXPECT_DOUBLE_EQ(*snapshot.targets[0].cpaNm, expected.cpaNm);
    EXPECT_DOUBLE_EQ(*snapshot.targets[0].tcpaMinutes, expected.tcpaMin);

    // Before the first tick: no ship, so no approach either.
    const ChartSnapshot before = chartSnapshot(nullptr, nullptr, fleet);
    EXPECT_FALSE(before.ship.has_value());
    EXPECT_FALSE(before.route.has_value());
    EXPECT_FALSE(before.targets[0].cpaNm.has_value());
}

struct PlaceRow {
    const char* name;
    WindowFrame owner;
    WindowFrame expected;
};

void PrintTo(const PlaceRow& row, std::ostream* os) { *os << row.name; }

class PlaceBeside : public ::testing::TestWithParam<PlaceRow> {};

// A 900 by 700 window beside a 794 by 300 one, 8 pixels apart, on a 1920 by 1080 screen.
TEST_P(PlaceBeside, TheTrackViewOpensOnTheScreenBesideTheWindow) {
    EXPECT_EQ(placeBeside(GetParam().owner, 900, 700, WindowFrame{0, 0, 1920, 1080}, 8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, PlaceBeside,
    ::testing::Values(PlaceRow{"ToTheRight", {0, 0, 794, 300}, {802, 0, 900, 700}},
                      PlaceRow{"ToTheLeftWhenTheRightIsFull", {1100, 50, 794, 300}, {192, 50, 900, 700}},
                      PlaceRow{"AgainstTheRightEdgeWhenNeitherFits", {500, 0, 794, 300}, {1020, 0, 900, 700}},
                      PlaceRow{"UpToKeepItsBottomOnTheScreen", {0, 600, 794, 300}, {802, 380, 900, 700}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
