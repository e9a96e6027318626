// The track view on a real X display: this test starts its own Xvfb and runs this same program
// again on it (the window and its fakes in-process, on Qt's xcb platform), which opens
// View > Track, takes the screen's picture from the X server, finds the ship, a waypoint and a
// target where a Mercator chart puts them, clicks the chart with xdotool in "set start
// position" mode, and checks the closest point of approach the view shows against one worked
// out here by relative motion on a flat chart. With PELORA_SCREENSHOT_DIR set, the child also
// saves main-window.png and track-view.png there.
#include <cmath>

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "nmea/position_entry.h"
#include "platform/gshhg_coastline.h"
#include "ui/track_view.h"
#include "relative_motion.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

using namespace std::chrono_literals;

constexpr char kChildVariable[] = "PELORA_DISPLAY_CHILD";
constexpr char kScreenshotVariable[] = "PELORA_SCREENSHOT_DIR";
constexpr double kPi = 3.14159265358979323846;
constexpr double kRadians = kPi / 180;

// Off Hartlepool, some four miles out: the coast shows on the chart's left where GSHHG is.
constexpr double kShipLat = 54.70;
constexpr double kShipLon = -1.05;
constexpr double kSpeedKnots = 10;
constexpr std::uint32_t kCrossingMmsi = 235012345;

// ln(tan(45° + lat/2)) in degrees: the Mercator ordinate, worked out here apart from the chart.
double mercator(double lat) {
    return std::log(std::tan(kPi / 4 + lat * kRadians / 2)) / kRadians;
}

// The parent: an X server of its own, and this program again on it.
TEST(TrackViewOnDisplay, DrawsWhereTheChartPutsThingsAndTakesARealClick) {
    if (qEnvironmentVariableIsSet(kChildVariable)) GTEST_SKIP() << "the child runs the test itself";
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    }
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1920x1200x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(5000)) << "Xvfb did not start";
    QByteArray number;
    for (int waited = 0; !number.contains('\n') && waited < 100; ++waited) {
        server.waitForReadyRead(100);
        number += server.readAllStandardOutput();
    }
    ASSERT_TRUE(number.contains('\n')) << "Xvfb named no display";

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number.trimmed()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    environment.remove(QStringLiteral("GTEST_FILTER"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=TrackViewOnDisplayChild.*"), QStringLiteral("--gtest_brief=1")});
    const bool finished = child.waitForFinished(60000);
    if (!finished) child.kill();
    const QByteArray output = child.readAll();
    server.terminate();
    server.waitForFinished(5000);
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

// The child: the window and its track view on the display.
class TrackViewOnDisplayChild : public WindowTest {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet(kChildVariable)) GTEST_SKIP() << "runs on the display the parent starts";
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_coast = openGshhgCoastline();
        coastline = m_coast.source.get();
        WindowTest::SetUp();
    }

    void tick() {
        clock.advance(1000ms);
        window->Timer1_Timer();
    }

    // The screen's picture as the X server holds it.
    static QImage screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

    void write(const QString& path, const char* text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    CoastlineOpening m_coast;
    QTemporaryDir m_dir;
};

TEST_F(TrackViewOnDisplayChild, Run) {
    // Both the ship and the targets move with the same simulated clock.
    simulation.useSimulatedClock(DateTime{2026, 6, 1, 8, 0, 0});
    child<QLineEdit>("txt_lat")->setText(QString::fromStdString(positionBoxText(kShipLat, true)));
    child<QLineEdit>("txt_lon")->setText(QString::fromStdString(positionBoxText(kShipLon, false)));
    child<QLineEdit>("txt_SPEED")->setText(QStringLiteral("10"));
    const QString route = m_dir.filePath(QStringLiteral("approach.gpx"));
    write(route, "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                 "<rte><name>Tees approach</name><rtept lat=\"54.7333\" lon=\"-1.05\"><name>Fairway</name></rtept>"
                 "<rtept lat=\"54.7667\" lon=\"-1.02\"><name>Pilot</name></rtept></rte></gpx>\n");
    ASSERT_TRUE(window->followRouteFile(route.toStdString()));
    // Two miles to starboard, crossing from east to west at the ship's speed: relative to the
    // ship it comes at 10 sqrt(2) knots along the line 45 degrees off the line between them, so
    // it passes 2 sin 45° = 1.41 NM off after 2 cos 45° / (10 sqrt 2) hours: 6 minutes.
    const double twoMilesEast = 2 / (60 * std::cos(kShipLat * kRadians));
    AisFleet fleet;
    ASSERT_FALSE(fleet.add(AisTarget{.mmsi = kCrossingMmsi, .name = "ARGO", .shipType = 70, .lengthMetres = 120,
                                     .beamMetres = 18, .lat = kShipLat, .lon = kShipLon + twoMilesEast,
                                     .courseDeg = 270, .speedKnots = kSpeedKnots}));
    ASSERT_FALSE(fleet.add(AisTarget{.mmsi = 244123456, .name = "NORDIC STAR", .shipType = 80, .lat = 54.655,
                                     .lon = -0.93, .courseDeg = 330, .speedKnots = 12}));
    ASSERT_FALSE(fleet.add(AisTarget{.mmsi = 235998877, .name = "SEA OTTER", .shipType = 30, .aisClass = AisClass::B,
                                     .lat = 54.745, .lon = -1.13, .courseDeg = 150, .speedKnots = 4}));
    window->cycle().setFleet(std::move(fleet));

    window->move(0, 0);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->CMD_GO_Click(0);
    tick();
    tick();
    tick();
    child<QAction>("mnuTrack")->trigger();
    TrackView* view = window->trackView();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    QTest::qWait(300);
    EXPECT_EQ(view->chartNote().isEmpty(), m_coast.source != nullptr);

    // Where a Mercator chart centred on the ship puts a position, worked out here.
    QWidget* chart = view->chart();
    const OwnShip ship = *view->snapshot().ship;
    const double scale = view->chartView().pixelsPerDegree();
    const auto onScreen = [&](double lat, double lon) {
        const QPointF local(chart->width() / 2.0 + (lon - ship.position.lon) * scale,
                            chart->height() / 2.0 - (mercator(lat) - mercator(ship.position.lat)) * scale);
        return chart->mapToGlobal(QPoint(static_cast<int>(std::lround(local.x())), static_cast<int>(std::lround(local.y()))));
    };
    const QImage picture = screen();
    const auto colourAt = [&](double lat, double lon) {
        const QPoint at = onScreen(lat, lon);
        return QColor(picture.pixel(at)).name().toStdString();
    };
    const auto name = [](QRgb colour) { return QColor(colour).name().toStdString(); };
    EXPECT_EQ(colourAt(ship.position.lat, ship.position.lon), name(TrackView::kShipColour));
    EXPECT_EQ(colourAt(54.7333, -1.05), name(TrackView::kWaypointColour));
    const ChartTarget& crossing = view->snapshot().targets.at(0);
    EXPECT_EQ(colourAt(crossing.position.lat, crossing.position.lon), name(TrackView::kTargetColour));
    EXPECT_EQ(colourAt(ship.position.lat + 0.02, ship.position.lon - 0.03), name(TrackView::kSeaColour));

    const RelativeApproach approach = approachByRelativeMotion(ship, crossing);
    const std::optional<ShownCpa> shown = view->shownTargetCpa(kCrossingMmsi);
    ASSERT_TRUE(shown.has_value());
    EXPECT_DOUBLE_EQ(shown->cpaNm, std::round(approach.cpaNm * 100) / 100);
    ASSERT_TRUE(shown->tcpaMinutes.has_value());
    EXPECT_DOUBLE_EQ(*shown->tcpaMinutes, std::round(approach.hours * 600) / 10);
    EXPECT_DOUBLE_EQ(shown->cpaNm, 1.41);  // the hand-worked crossing
    EXPECT_DOUBLE_EQ(*shown->tcpaMinutes, 6.0);

    // "Set start position", then a click of the real pointer on the chart.
    view->findChild<QToolButton*>(QStringLiteral("pickStart"))->click();
    const QPoint local(chart->width() / 2 + 150, chart->height() / 2 - 100);
    const QPoint global = chart->mapToGlobal(local);
    const QString before = child<QLineEdit>("txt_lat")->text();
    const QString beforeLon = child<QLineEdit>("txt_lon")->text();
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
                                 QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")}),
              0);
    QTRY_VERIFY_WITH_TIMEOUT(child<QLineEdit>("txt_lat")->text() != before, 5000);
    const double right = local.x() - chart->width() / 2.0;
    const double up = chart->height() / 2.0 - local.y();
    const double expectedLon = ship.position.lon + right / scale;
    const double expectedLat = std::atan(std::sinh((mercator(ship.position.lat) + up / scale) * kRadians)) / kRadians;
    EXPECT_NEAR(User_lat(child<QLineEdit>("txt_lat")->text().toStdString()), expectedLat, 1e-6);
    EXPECT_NEAR(user_lon(child<QLineEdit>("txt_lon")->text().toStdString()), expectedLon, 1e-6);

    const QString screenshots = qEnvironmentVariable(kScreenshotVariable);
    if (!screenshots.isEmpty()) {
        // Four more minutes of the voyage for the picture.
        child<QLineEdit>("txt_lat")->setText(before);
        child<QLineEdit>("txt_lon")->setText(beforeLon);
        for (int second = 0; second < 240; ++second) tick();
        QTest::qWait(300);
        const QImage later = screen();
        EXPECT_TRUE(later.copy(QRect(window->mapToGlobal(QPoint(0, 0)), window->size()))
                        .save(QDir(screenshots).filePath(QStringLiteral("main-window.png"))));
        EXPECT_TRUE(later.copy(QRect(view->mapToGlobal(QPoint(0, 0)), view->size()))
                        .save(QDir(screenshots).filePath(QStringLiteral("track-view.png"))));
    }
}

}  // namespace
}  // namespace pelora::testing
