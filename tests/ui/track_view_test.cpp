// The track window offscreen: what it draws where, and what clicks, drags and the wheel do.
#include "ui/track_view.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace pelora {
namespace {

constexpr GeoPoint kShipAt{54.5, -1.25};

class TrackViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        canvas = view.chart();
        view.setSnapshot(snapshot());
    }

    static ChartSnapshot snapshot() {
        ChartSnapshot shown;
        shown.ship = OwnShip{kShipAt, 45, 50, 10};
        shown.route = ChartRoute{"Tees approach",
                                 {{"Fairway", {54.52, -1.2}}, {"Buoy", {54.48, -1.3}}, {"Berth", {54.47, -1.33}}},
                                 1,
                                 0.1};
        shown.targets.push_back({"ARGO", 235012345, {54.49, -1.21}, 200, 8, 190.0, 0.515, 12.34});
        return shown;
    }

    QRgb pixelAt(const QImage& image, GeoPoint position) const {
        const ScreenPoint point = view.chartView().toScreen(position);
        return image.pixel(static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y)));
    }

    QToolButton* button(const char* name) const { return view.findChild<QToolButton*>(QLatin1String(name)); }

    TrackView view;
    QWidget* canvas = nullptr;
};

TEST_F(TrackViewTest, DrawsTheShipAWaypointAndATargetWhereTheyAre) {
    view.appendTrack(TrackKind::Sent, {{54.45, -1.35}, {54.47, -1.3}, kShipAt});
    EXPECT_EQ(view.windowTitle(), "Pelora - Track");
    EXPECT_TRUE(view.followShip());
    const QImage image = canvas->grab().toImage();
    EXPECT_EQ(pixelAt(image, kShipAt), TrackView::kShipColour);
    EXPECT_EQ(pixelAt(image, {54.48, -1.3}), TrackView::kWaypointColour);
    EXPECT_EQ(pixelAt(image, {54.49, -1.21}), TrackView::kTargetColour);
    EXPECT_EQ(pixelAt(image, {54.46, -1.325}), TrackView::kTrackColour);
    EXPECT_EQ(view.shownTargetText(235012345), "ARGO\nCPA 0.52 NM in 12.3 min");
    EXPECT_EQ(view.chartNote(), "No coastline data (install gmt-gshhg-low)");
}

TEST_F(TrackViewTest, AClickSetsTheStartOrAddsAWaypointAsItsModeSays) {
    QSignalSpy starts(&view, &TrackView::startPositionPicked);
    QSignalSpy changes(&view, &TrackView::routeWaypointsChanged);
    QSignalSpy saves(&view, &TrackView::saveRouteRequested);

    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(200, 150));  // no mode: nothing
    button("pickStart")->click();
    const GeoPoint expected = view.chartView().toGeo({200, 150});
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(200, 150));
    ASSERT_EQ(starts.size(), 1);
    EXPECT_DOUBLE_EQ(starts.at(0).at(0).toDouble(), expected.lat);
    EXPECT_DOUBLE_EQ(starts.at(0).at(1).toDouble(), expected.lon);
    EXPECT_FALSE(button("pickStart")->isChecked());

    button("buildRoute")->click();
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(300, 250));
    ASSERT_EQ(changes.size(), 2);
    const auto built = changes.at(1).at(0).value<std::vector<RouteWaypoint>>();
    ASSERT_EQ(built.size(), 2u);
    EXPECT_EQ(built[1].name, "WP2");
    EXPECT_EQ(built[1].position, view.chartView().toGeo({300, 250}));
    EXPECT_EQ(starts.size(), 1);
    button("saveRouteGpx")->click();
    ASSERT_EQ(saves.size(), 1);
    EXPECT_EQ(saves.at(0).at(0).value<std::vector<RouteWaypoint>>(), built);
}

TEST_F(TrackViewTest, TheWheelZoomsAboutThePointerOnceFollowingIsOff) {
    view.setFollowShip(false);
    const QPointF pointer(150, 420);
    const GeoPoint under = view.chartView().toGeo({pointer.x(), pointer.y()});
    const double scale = view.chartView().pixelsPerDegree();
    QWheelEvent wheel(pointer, canvas->mapToGlobal(pointer), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    EXPECT_GT(view.chartView().pixelsPerDegree(), scale);
    const ScreenPoint after = view.chartView().toScreen(under);
    EXPECT_NEAR(after.x, pointer.x(), 1e-6);
    EXPECT_NEAR(after.y, pointer.y(), 1e-6);
}

TEST_F(TrackViewTest, ADragPansTheChartAndStopsFollowingTheShip) {
    QSignalSpy starts(&view, &TrackView::startPositionPicked);
    button("pickStart")->click();
    const GeoPoint grabbed = view.chartView().toGeo({300, 300});
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(canvas, QPoint(320, 310));
    QTest::mouseMove(canvas, QPoint(340, 320));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(340, 320));
    EXPECT_FALSE(view.followShip());
    EXPECT_FALSE(button("followShip")->isChecked());
    const ScreenPoint now = view.chartView().toScreen(grabbed);
    EXPECT_NEAR(now.x, 340, 1e-6);
    EXPECT_NEAR(now.y, 320, 1e-6);
    EXPECT_EQ(starts.size(), 0);  // a drag is no click
    // The next second's position no longer moves the chart.
    ChartSnapshot moved = snapshot();
    moved.ship->position = {54.6, -1.0};
    view.setSnapshot(moved);
    EXPECT_NEAR(view.chartView().toScreen(grabbed).x, 340, 1e-6);
}

}  // namespace
}  // namespace pelora
