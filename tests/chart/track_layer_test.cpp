// The track's thinning and cutting for drawing.
#include "chart/track_layer.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace pelora {
namespace {

constexpr ScreenSize kTrackScreen{800, 600};

// A ship's track of `count` one-second fixes at 12 knots on a steady course from 54N 1W.
std::vector<GeoPoint> steadyTrack(std::size_t count, double courseDegrees) {
    std::vector<GeoPoint> points;
    const double stepNm = 12.0 / 3600;
    const double course = courseDegrees * 3.14159265358979 / 180;
    for (std::size_t i = 0; i < count; ++i) {
        const double lat = 54 + i * stepNm * std::cos(course) / 60;
        points.push_back({lat, -1 + i * stepNm * std::sin(course) / 60 / std::cos(lat * 3.14159265358979 / 180)});
    }
    return points;
}

TEST(TrackLayer, ThinsALongTrackKeepingItsFirstAndLastPoints) {
    const std::vector<GeoPoint> points = steadyTrack(100'000, 60);
    TrackLayer track;
    track.append(points);
    const ChartView view(points[points.size() / 2], 60, kTrackScreen);
    const auto& runs = track.screenRuns(view);
    ASSERT_EQ(runs.size(), 1u);
    const ScreenPoint first = view.toScreen(points.front());
    const ScreenPoint last = view.toScreen(points.back());
    EXPECT_NEAR(runs.front().front().x, first.x, 1e-6);
    EXPECT_NEAR(runs.front().front().y, first.y, 1e-6);
    EXPECT_NEAR(runs.back().back().x, last.x, 1e-6);
    EXPECT_NEAR(runs.back().back().y, last.y, 1e-6);
    EXPECT_LT(track.keptCount(), 2000u);
    for (std::size_t i = 1; i + 1 < runs.front().size(); ++i) {
        const double dx = runs.front()[i].x - runs.front()[i - 1].x;
        const double dy = runs.front()[i].y - runs.front()[i - 1].y;
        EXPECT_GE(dx * dx + dy * dy, kTrackStepPixels * kTrackStepPixels * 0.999) << i;
    }
}

TEST(TrackLayer, PointsAppendedAsTheyComeDrawAsTheWholeTrackAtOnce) {
    const std::vector<GeoPoint> points = steadyTrack(20'000, 200);
    const ChartView view({53.8, -1.1}, 3000, kTrackScreen);
    TrackLayer whole;
    whole.append(points);
    TrackLayer growing;
    ChartView zoomed = view;
    zoomed.zoomAbout({100, 100}, 3);
    for (std::size_t i = 0; i < points.size(); ++i) {
        growing.append(points[i]);
        if (i % 997 == 0) growing.screenRuns(i % 2 ? view : zoomed);
    }
    const auto& expected = whole.screenRuns(view);
    const auto& got = growing.screenRuns(view);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t r = 0; r < got.size(); ++r) {
        ASSERT_EQ(got[r].size(), expected[r].size()) << r;
        for (std::size_t i = 0; i < got[r].size(); ++i) EXPECT_EQ(got[r][i], expected[r][i]);
    }
}

// Close in every point is kept and most of the track is off the screen: what reaches the screen
// is what cutting the whole track to it gives.
TEST(TrackLayer, CloseInTheStretchesOffTheScreenAreLeftOutAndNoneOnItIsLost) {
    std::vector<GeoPoint> points;
    for (int leg = 0; leg < 12; ++leg) {
        for (const GeoPoint& point : steadyTrack(700, leg % 2 ? 0 : 180)) {
            points.push_back({point.lat + (leg % 2 ? -0.0389 : 0), point.lon + leg * 0.0005});
        }
    }
    TrackLayer track;
    track.append(points);
    const ChartView view({53.98, -0.99725}, 120000, kTrackScreen);
    std::vector<ScreenPoint> projected;
    for (const GeoPoint& point : points) projected.push_back(view.toScreen(point));
    const auto expected = clipPolyline(projected, grownScreen(kTrackScreen, kClipMarginPixels));
    const auto& runs = track.screenRuns(view);
    ASSERT_EQ(track.keptCount(), points.size());
    ASSERT_EQ(expected.size(), 12u);
    ASSERT_EQ(runs.size(), expected.size());
    for (std::size_t r = 0; r < runs.size(); ++r) {
        ASSERT_EQ(runs[r].size(), expected[r].size()) << r;
        EXPECT_EQ(runs[r].front(), expected[r].front()) << r;
        EXPECT_EQ(runs[r].back(), expected[r].back()) << r;
    }
}

TEST(TrackLayer, ATrackAcrossTheDateLineStaysOneLineAndFarPartsAreCutAtTheScreen) {
    TrackLayer track;
    track.append({{10, 179.99}, {10, -179.99}, {10, -179.97}});
    track.append(GeoPoint{std::nan(""), 0});  // left out
    const ChartView view({10, 180}, 20000, kTrackScreen);
    const auto& runs = track.screenRuns(view);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs.front().size(), 3u);
    EXPECT_LT(runs.front().back().x - runs.front().front().x, 1000);

    ChartView close({10, -179.99}, ChartView::kMaxPixelsPerDegree, kTrackScreen);
    for (const auto& run : track.screenRuns(close)) {
        for (const ScreenPoint& point : run) {
            EXPECT_GE(point.x, -kClipMarginPixels - 1e-6);
            EXPECT_LE(point.x, kTrackScreen.width + kClipMarginPixels + 1e-6);
        }
    }
}

}  // namespace
}  // namespace pelora
