// The chart's arithmetic: projection, zoom, grid, scale bar, texts, vectors.
#include "chart/chart_grid.h"
#include "chart/chart_scene.h"
#include "chart/chart_text.h"
#include "chart/chart_view.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

constexpr ScreenSize kScreen{800, 600};

struct RoundTripRow {
    const char* name;
    GeoPoint centre;
    double pixelsPerDegree;
    GeoPoint position;
};

class ChartProjection : public ::testing::TestWithParam<RoundTripRow> {};

TEST_P(ChartProjection, ScreenPointLeadsBackToThePosition) {
    const RoundTripRow& row = GetParam();
    const ChartView view(row.centre, row.pixelsPerDegree, kScreen);
    const GeoPoint back = view.toGeo(view.toScreen(row.position));
    EXPECT_NEAR(back.lat, row.position.lat, 1e-9);
    EXPECT_NEAR(foldLongitude(back.lon - row.position.lon), 0, 1e-9);
    // The short way round: a position within half the screen of the centre lands on the screen.
    const ScreenPoint point = view.toScreen(row.position);
    EXPECT_GE(point.x, 0);
    EXPECT_LE(point.x, kScreen.width);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChartProjection,
    ::testing::Values(RoundTripRow{"Centre", {54.5, -1.25}, 1800, {54.5, -1.25}},
                      RoundTripRow{"NorthSea", {54.5, -1.25}, 1800, {54.6, -1.1}},
                      RoundTripRow{"SouthernOcean", {-60, 20}, 100, {-61.5, 22.25}},
                      RoundTripRow{"AcrossTheDateLineEastwards", {10, 179.9}, 1800, {10.01, -179.95}},
                      RoundTripRow{"AcrossTheDateLineWestwards", {-10, -179.95}, 1800, {-10.05, 179.9}},
                      RoundTripRow{"NearTheLimit", {84, 0}, 10, {84.9, 5}},
                      RoundTripRow{"FullZoom", {54.5, -1.25}, ChartView::kMaxPixelsPerDegree, {54.5001, -1.2499}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChartProjection, NorthIsUpAndEastIsRight) {
    const ChartView view({54.5, -1.25}, 1800, kScreen);
    const ScreenPoint centre = view.toScreen(GeoPoint{54.5, -1.25});
    EXPECT_DOUBLE_EQ(centre.x, 400);
    EXPECT_DOUBLE_EQ(centre.y, 300);
    EXPECT_LT(view.toScreen(GeoPoint{54.6, -1.25}).y, 300);
    EXPECT_GT(view.toScreen(GeoPoint{54.5, -1.2}).x, 400);
    // Conformal: a mile spans as many pixels north-south as east-west.
    const double north = 300 - view.toScreen(GeoPoint{54.5 + 1.0 / 600, -1.25}).y;
    EXPECT_NEAR(north, view.pixelsPerNauticalMile(54.5) / 10, 1e-3);
}

struct ZoomRow {
    const char* name;
    ScreenPoint anchor;
    double factor;
};

class ChartZoom : public ::testing::TestWithParam<ZoomRow> {};

TEST_P(ChartZoom, KeepsThePositionUnderTheAnchor) {
    ChartView view({54.5, -1.25}, 1800, kScreen);
    const GeoPoint before = view.toGeo(GetParam().anchor);
    view.zoomAbout(GetParam().anchor, GetParam().factor);
    const ScreenPoint after = view.toScreen(before);
    EXPECT_NEAR(after.x, GetParam().anchor.x, 1e-6);
    EXPECT_NEAR(after.y, GetParam().anchor.y, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChartZoom,
                         ::testing::Values(ZoomRow{"InAtACorner", {10, 20}, 2}, ZoomRow{"OutAtACorner", {790, 590}, 0.5},
                                           ZoomRow{"InAtTheCentre", {400, 300}, 1.25},
                                           ZoomRow{"HeldAtTheLargestScale", {123, 456}, 1e12}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChartZoom, ScaleStaysWithinItsLimitsAndPanMovesTheChartWithTheDrag) {
    ChartView view({54.5, -1.25}, 1800, kScreen);
    view.zoomAbout({400, 300}, 1e-12);
    EXPECT_EQ(view.pixelsPerDegree(), ChartView::kMinPixelsPerDegree);
    view = ChartView({54.5, -1.25}, 1800, kScreen);
    const GeoPoint under = view.toGeo({100, 100});
    view.panBy(30, -40);
    const ScreenPoint moved = view.toScreen(under);
    EXPECT_NEAR(moved.x, 130, 1e-6);
    EXPECT_NEAR(moved.y, 60, 1e-6);
}

struct AngleRow {
    const char* name;
    double degrees;
    bool latitude;
    int decimals;
    const char* text;
};

class ChartAngleText : public ::testing::TestWithParam<AngleRow> {};

TEST_P(ChartAngleText, WritesDegreesAndMinutes) {
    EXPECT_EQ(angleText(GetParam().degrees, GetParam().latitude, GetParam().decimals), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChartAngleText,
    ::testing::Values(AngleRow{"North", 54.5, true, 0, "54°30'N"}, AngleRow{"West", -1.25, false, 0, "1°15'W"},
                      AngleRow{"South", -33.75, true, 0, "33°45'S"}, AngleRow{"East", 151, false, 0, "151°00'E"},
                      AngleRow{"Equator", 0, true, 0, "0°00'"}, AngleRow{"DateLine", 180, false, 0, "180°00'"},
                      AngleRow{"TenthsOfAMinute", 54.5 + 0.5 / 60, true, 1, "54°30.5'N"},
                      AngleRow{"CarriesIntoTheDegrees", 59.99999, true, 0, "60°00'N"},
                      AngleRow{"RoundsToTheMeridian", -0.0001, false, 0, "0°00'"},
                      AngleRow{"Position", -1.2583333333, false, 3, "1°15.500'W"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SpacingRow {
    const char* name;
    double pixelsPerDegree;
    int tenths;
};

class ChartGridSpacing : public ::testing::TestWithParam<SpacingRow> {};

TEST_P(ChartGridSpacing, IsTheSmallestNiceSpacingAtLeastTheGapApart) {
    EXPECT_EQ(gridSpacingTenths(GetParam().pixelsPerDegree), GetParam().tenths);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChartGridSpacing,
                         ::testing::Values(SpacingRow{"TenthsOfAMinute", 600000, 1}, SpacingRow{"HalfAMinute", 12000, 5},
                                           SpacingRow{"TenMinutes", 600, 100}, SpacingRow{"FifteenMinutes", 400, 150},
                                           SpacingRow{"OneDegree", 100, 600}, SpacingRow{"FiveDegrees", 20, 3000},
                                           SpacingRow{"LargestWhenNoneFits", 0.5, 27000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChartGridSpacing, LinesStandOnTheirMeridiansAndParallelsWithTheirLabels) {
    const ChartView view({54.5, -1.25}, 600, kScreen);
    const ChartGrid grid = chartGrid(view);
    ASSERT_EQ(grid.meridianSpacingTenths, 100);
    auto meridian = std::find_if(grid.meridians.begin(), grid.meridians.end(),
                                 [](const GridLine& line) { return line.label == "1°20'W"; });
    ASSERT_NE(meridian, grid.meridians.end());
    EXPECT_NEAR(meridian->screen, view.toScreen(GeoPoint{54.5, -(1 + 20.0 / 60)}).x, 1e-6);
    auto parallel = std::find_if(grid.parallels.begin(), grid.parallels.end(),
                                 [](const GridLine& line) { return line.label == "54°30'N"; });
    ASSERT_NE(parallel, grid.parallels.end());
    EXPECT_NEAR(parallel->screen, 300, 1e-6);
    for (std::size_t i = 1; i < grid.parallels.size(); ++i) {
        EXPECT_GE(grid.parallels[i - 1].screen - grid.parallels[i].screen, kMinGridGapPixels * 0.99);
    }
}

struct ScaleBarRow {
    const char* name;
    double lat;
    double pixelsPerDegree;
    const char* label;
};

class ChartScaleBar : public ::testing::TestWithParam<ScaleBarRow> {};

TEST_P(ChartScaleBar, IsTheLongestNiceLengthThatFits) {
    const ChartView view({GetParam().lat, 0}, GetParam().pixelsPerDegree, kScreen);
    const ScaleBar bar = scaleBar(view, 150);
    EXPECT_EQ(bar.label, GetParam().label);
    EXPECT_NEAR(bar.pixels, bar.lengthNm * view.pixelsPerNauticalMile(GetParam().lat), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChartScaleBar,
                         ::testing::Values(ScaleBarRow{"ExactlyTheLimit", 0, 1800, "5 NM"},
                                           ScaleBarRow{"Ten", 0, 600, "10 NM"}, ScaleBarRow{"Tenth", 0, 60000, "0.1 NM"},
                                           ScaleBarRow{"LongestLength", 0, 1, "5000 NM"},
                                           ScaleBarRow{"MilesGrowTowardsThePole", 60, 1800, "2 NM"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RhumbRow {
    const char* name;
    GeoPoint from;
    double course;
    double distanceNm;
    GeoPoint to;
};

class ChartRhumb : public ::testing::TestWithParam<RhumbRow> {};

TEST_P(ChartRhumb, ReachesTheEndOfTheVector) {
    const GeoPoint to = rhumbDestination(GetParam().from, GetParam().course, GetParam().distanceNm);
    EXPECT_NEAR(to.lat, GetParam().to.lat, 1e-9);
    EXPECT_NEAR(to.lon, GetParam().to.lon, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChartRhumb,
                         ::testing::Values(RhumbRow{"NorthADegree", {54, 1}, 0, 60, {55, 1}},
                                           RhumbRow{"EastAtTheEquator", {0, 1}, 90, 60, {0, 2}},
                                           RhumbRow{"EastAtSixtyNorth", {60, 1}, 90, 60, {60, 3}}),
                         [](const auto& info) { return std::string(info.param.name); });

// On Mercator a rhumb line is straight: the vector points along the course on the screen.
TEST(ChartRhumb, VectorPointsAlongTheCourseOnTheChart) {
    const ChartView view({60, 0}, 1800, kScreen);
    for (double course : {30.0, 135.0, 250.0}) {
        const ScreenPoint from = view.toScreen(GeoPoint{60, 0});
        const ScreenPoint to = view.toScreen(rhumbDestination({60, 0}, course, 5));
        const double angle = std::atan2(to.x - from.x, from.y - to.y) * 180 / 3.14159265358979;
        EXPECT_NEAR(foldLongitude(angle - course), 0, 1e-6) << course;
    }
}

TEST(ChartTargetText, ShowsTheCpaItWasGivenRoundedAsWritten) {
    ChartTarget target{"", 235012345, {54, 1}, 90, 10, std::nullopt, 0.515, 12.34};
    EXPECT_EQ(targetLabel(target), "MMSI 235012345\nCPA 0.52 NM in 12.3 min");
    EXPECT_DOUBLE_EQ(shownCpa(target)->cpaNm, 0.52);
    EXPECT_DOUBLE_EQ(*shownCpa(target)->tcpaMinutes, 12.3);
    target.name = "ARGO";
    target.tcpaMinutes = -3;
    EXPECT_EQ(targetLabel(target), "ARGO\nCPA 0.52 NM 3.0 min ago");
    target.cpaNm.reset();
    EXPECT_EQ(targetLabel(target), "ARGO");
}

}  // namespace
}  // namespace pelora
