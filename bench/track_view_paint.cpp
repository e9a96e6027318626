// One paint of the track window's chart into an offscreen image, with a long track: a ship at
// 12 knots fixing once a second, turning a full circle every two hours while drifting east, so
// that its track coils over itself (100,000 points are a day and a bit, 1,000,000 are eleven
// and a half days). Three cases: a paint with nothing changed (an expose); a new point and
// snapshot with Follow ship on, so the chart moves under the ship (the once-a-second case), at
// the whole track's scale and close in; a zoom step before the paint (the track is thinned
// anew). The coast is drawn where Debian's
// gmt-gshhg-low is installed. PELORA_TRACK_VIEW_PNG=<file> saves the last picture painted.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/gshhg_coastline.h"
#include "ui/track_view.h"

namespace {

constexpr double kKnots = 12;
constexpr double kDriftKnots = 2;
constexpr double kSecondsPerCircle = 7200;
constexpr double kSecondsPerHour = 3600;
constexpr double kNmPerDegree = 60;
constexpr double kRadiansPerDegree = 3.14159265358979 / 180;
constexpr QSize kWindowSize{900, 700};
constexpr double kCloseInPixelsPerNm = 300;

std::vector<pelora::GeoPoint> coilingTrack(std::size_t count) {
    std::vector<pelora::GeoPoint> points;
    points.reserve(count);
    pelora::GeoPoint at{54.0, 0.5};
    for (std::size_t second = 0; second < count; ++second) {
        points.push_back(at);
        const double course = 360.0 * static_cast<double>(second) / kSecondsPerCircle * kRadiansPerDegree;
        const double north = kKnots * std::cos(course) / kSecondsPerHour;
        const double east = (kKnots * std::sin(course) + kDriftKnots) / kSecondsPerHour;
        at.lat += north / kNmPerDegree;
        at.lon += east / kNmPerDegree / std::cos(at.lat * kRadiansPerDegree);
    }
    return points;
}

// The one application object the widgets need, made on first use, offscreen unless a display
// was asked for.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "bench_track_view_paint";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

// The window with the track loaded, showing the whole of it.
struct Chart {
    explicit Chart(std::size_t points) : ready((ensureApplication(), true)), track(coilingTrack(points)) {
        if (coast.source) view.setCoastline(coast.source.get());
        view.resize(kWindowSize);
        view.show();
        QApplication::processEvents();
        view.appendTrack(pelora::TrackKind::Sent, track);
        double south = 90, north = -90, west = 360, east = -360;
        for (const pelora::GeoPoint& p : track) {
            south = std::min(south, p.lat);
            north = std::max(north, p.lat);
            west = std::min(west, p.lon);
            east = std::max(east, p.lon);
        }
        const QSize size = view.chart()->size();
        const double scale = std::min(size.width() / (east - west),
                                      size.height() / (north - south) * std::cos((north + south) / 2 * kRadiansPerDegree));
        view.setFollowShip(false);
        view.setChartView(pelora::ChartView({(north + south) / 2, (east + west) / 2}, scale * 0.9));
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
        snapshot.ship = pelora::OwnShip{track.back(), 90, 90, kKnots};
        view.setSnapshot(snapshot);
    }

    void paint() {
        QPainter painter(&image);
        view.paintChart(painter);
    }

    ~Chart() {
        if (const char* file = std::getenv("PELORA_TRACK_VIEW_PNG")) image.save(QString::fromLocal8Bit(file));
    }

    bool ready;
    pelora::CoastlineOpening coast = pelora::openGshhgCoastline();
    pelora::TrackView view;
    std::vector<pelora::GeoPoint> track;
    pelora::ChartSnapshot snapshot;
    QImage image;
};

void BM_PaintUnchanged(benchmark::State& state) {
    Chart chart(static_cast<std::size_t>(state.range(0)));
    chart.paint();
    for (auto _ : state) chart.paint();
}

// The ship sails a second eastwards, the track gains its point and the view is painted.
void sailOneSecondAndPaint(Chart& chart, pelora::GeoPoint& at) {
    at.lon += kKnots / kSecondsPerHour / kNmPerDegree / std::cos(at.lat * kRadiansPerDegree);
    chart.view.appendTrack(pelora::TrackKind::Sent, at);
    chart.snapshot.ship->position = at;
    chart.view.setSnapshot(chart.snapshot);
    chart.paint();
}

void BM_PaintFollowingTheShip(benchmark::State& state) {
    Chart chart(static_cast<std::size_t>(state.range(0)));
    chart.view.setFollowShip(true);
    pelora::GeoPoint at = chart.track.back();
    for (auto _ : state) sailOneSecondAndPaint(chart, at);
}

// Close in (a mile is 300 pixels), where the thinning keeps every point and the whole track is
// cut to the screen anew each second.
void BM_PaintFollowingCloseIn(benchmark::State& state) {
    Chart chart(static_cast<std::size_t>(state.range(0)));
    chart.view.setFollowShip(true);
    chart.view.setChartView(pelora::ChartView(
        chart.track.back(), kCloseInPixelsPerNm * kNmPerDegree * std::cos(chart.track.back().lat * kRadiansPerDegree)));
    pelora::GeoPoint at = chart.track.back();
    for (auto _ : state) sailOneSecondAndPaint(chart, at);
}

void BM_PaintAfterAZoomStep(benchmark::State& state) {
    Chart chart(static_cast<std::size_t>(state.range(0)));
    const pelora::ChartView whole = chart.view.chartView();
    bool in = true;
    for (auto _ : state) {
        pelora::ChartView next = whole;
        if (in) next.zoomAbout({next.size().width / 2, next.size().height / 2}, 1.25);
        chart.view.setChartView(next);
        in = !in;
        chart.paint();
    }
}

BENCHMARK(BM_PaintUnchanged)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFollowingTheShip)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFollowingCloseIn)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintAfterAZoomStep)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
