#pragma once

#include <QPoint>
#include <QRgb>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/chart_scene.h"
#include "chart/chart_snapshot.h"
#include "chart/chart_text.h"
#include "chart/chart_view.h"
#include "chart/coastline_source.h"
#include "chart/track_layer.h"

class QLabel;
class QPainter;
class QToolButton;

namespace pelora {

class ChartCanvas;

// The two tracks the view draws: the positions the program has sent, and a loaded voyage's
// track while it plays.
enum class TrackKind { Sent, Voyage };

// "View > Track": a window of its own with a chart of where the ship is, where it has been,
// its route and the AIS targets around it. It is handed plain values (a snapshot once a
// second, track points as they come) and tells what the user picks through its signals; it
// never calls into the simulation. All arithmetic and texts come from the chart layer.
//
// Controls, by objectName: "followShip" (Follow ship, on at the start; a drag turns it off),
// "pickStart" (the next click on the chart sets the start position), "buildRoute" (each click
// adds a waypoint), "clearRoute", "followRoute" (the ship follows the route built, which is then
// the route followed), "saveRouteGpx", "zoomIn", "zoomOut", the drawing area
// "chart" and the label "pointerPosition" with the position under the mouse.
class TrackView : public QWidget {
    Q_OBJECT

public:
    // The colours things are drawn in, for whoever checks the picture.
    static constexpr QRgb kSeaColour = 0xfff4f9fc;
    static constexpr QRgb kShipColour = 0xffd4201c;
    static constexpr QRgb kTargetColour = 0xff1a9a2a;
    static constexpr QRgb kWaypointColour = 0xffb0279e;
    static constexpr QRgb kDraftRouteColour = 0xff6a3fb5;
    static constexpr QRgb kTrackColour = 0xff1f4fbf;
    static constexpr QRgb kVoyageTrackColour = 0xffe07b00;

    // Minutes of way the course-and-speed vectors show.
    static constexpr double kVectorMinutes = 6;
    // The note shown when there is no coastline to draw.
    static constexpr const char* kNoCoastlineNote = "No coastline data (install gmt-gshhg-low)";

    explicit TrackView(QWidget* parent = nullptr);
    ~TrackView() override;

    // Shows the ship, the route and the targets as given; with Follow ship on, the chart is
    // centred on the ship.
    void setSnapshot(const ChartSnapshot& snapshot);
    const ChartSnapshot& snapshot() const { return m_snapshot; }

    // Adds positions to the end of a track; a million points and more draw smoothly.
    void appendTrack(TrackKind kind, const std::vector<GeoPoint>& positions);
    void appendTrack(TrackKind kind, GeoPoint position);
    void clearTrack(TrackKind kind);
    std::size_t trackSize(TrackKind kind) const;

    // Where the coast comes from; nullptr (the start) shows kNoCoastlineNote instead. The source
    // must outlive the view or be replaced first.
    void setCoastline(CoastlineSource* source);
    // The note in the chart's corner, empty when there is none.
    QString chartNote() const;

    bool followShip() const;
    void setFollowShip(bool on);

    // The part of the chart shown, in the drawing area's pixels.
    const ChartView& chartView() const { return m_view; }
    // Shows another centre and scale; the drawing area's size stays.
    void setChartView(const ChartView& view);
    // The drawing area.
    QWidget* chart() const;

    // What the view shows beside the target with `mmsi` (its label, the same as its tool tip)
    // and the CPA as that text writes it; empty or nothing when there is no such target.
    QString shownTargetText(std::uint32_t mmsi) const;
    std::optional<ShownCpa> shownTargetCpa(std::uint32_t mmsi) const;

    // The route being built by clicking.
    const std::vector<RouteWaypoint>& draftRoute() const { return m_draft; }

    // Paints the chart as the drawing area shows it, at the drawing area's size.
    void paintChart(QPainter& painter);

signals:
    // The user picked the ship's start position on the chart.
    void startPositionPicked(double lat, double lon);
    // The route being built changed (a waypoint added, or all cleared).
    void routeWaypointsChanged(const std::vector<pelora::RouteWaypoint>& waypoints);
    // The user asked to save a route as GPX: the route being built, or else the snapshot's.
    void saveRouteRequested(const std::vector<pelora::RouteWaypoint>& waypoints);
    // The user asked the ship to follow the route being built (at least one waypoint); the
    // view no longer builds it.
    void followRouteRequested(const std::vector<pelora::RouteWaypoint>& waypoints);

private:
    friend class ChartCanvas;

    // From the drawing area.
    void canvasResized(QSize size);
    void canvasClicked(QPoint at);
    void canvasDragged(QPoint by);
    void canvasWheeled(QPoint at, double notches);
    void canvasHovered(QPoint at);
    void canvasContextMenu(QPoint at, QPoint global);
    QString toolTipAt(QPoint at) const;

    void zoomBy(double factor, ScreenPoint anchor);
    void addWaypoint(GeoPoint position);
    void clearDraft();
    void requestSave();
    void requestFollow();
    void updateSaveEnabled();
    const ChartTarget* targetOf(std::uint32_t mmsi) const;
    TrackLayer& track(TrackKind kind);

    ChartCanvas* m_canvas;
    QToolButton* m_follow;
    QToolButton* m_pickStart;
    QToolButton* m_buildRoute;
    QToolButton* m_clearRoute;
    QToolButton* m_followRoute;
    QToolButton* m_saveRoute;
    QToolButton* m_zoomIn;
    QToolButton* m_zoomOut;
    QLabel* m_pointer;

    ChartView m_view;
    ChartSnapshot m_snapshot;
    std::vector<RouteWaypoint> m_draft;
    TrackLayer m_sentTrack;
    TrackLayer m_voyageTrack;
    CoastlineSource* m_coastline = nullptr;
    CoastLayer m_coast;
};

}  // namespace pelora
