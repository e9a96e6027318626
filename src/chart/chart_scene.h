#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart_snapshot.h"
#include "chart/chart_view.h"
#include "chart/coastline_source.h"
#include "chart/geo.h"

namespace pelora {

// What a drawn piece of the chart is, which decides how it is painted.
enum class Ink {
    Coast,
    RouteLeg,
    ActiveLeg,
    ArrivalCircle,
    Waypoint,
    DraftRoute,
    DraftWaypoint,
    Target,
    TargetVector,
    Ship,
    ShipVector,
};

struct ScenePolyline {
    Ink ink;
    std::vector<ScreenPoint> points;
};

// A filled symbol.
struct SceneShape {
    Ink ink;
    std::vector<ScreenPoint> outline;
};

struct SceneCircle {
    Ink ink;
    ScreenPoint centre;
    double radius = 0;
};

// A text whose top left corner is at `topLeft`; lines are separated by "\n".
struct SceneLabel {
    Ink ink;
    ScreenPoint topLeft;
    std::string text;
};

// Everything of the chart besides the tracks, the coast and the grid, in screen terms, in the
// order it is painted.
struct ChartScene {
    std::vector<ScenePolyline> lines;
    std::vector<SceneCircle> circles;
    std::vector<SceneShape> shapes;
    std::vector<SceneLabel> labels;
};

// The radius of a drawn waypoint's dot in pixels.
inline constexpr double kWaypointDotPixels = 4;

// Where a ship on `courseDegrees` is after `distanceNm` along the rhumb line (a straight line on
// the chart), on the sphere of the chart.
GeoPoint rhumbDestination(GeoPoint from, double courseDegrees, double distanceNm);

// The ship's symbol around `centre`, bow along `headingDegrees` (true, north up).
std::vector<ScreenPoint> shipSymbol(ScreenPoint centre, double headingDegrees);
// An AIS target's triangle around `centre`, its point along `headingDegrees`.
std::vector<ScreenPoint> targetSymbol(ScreenPoint centre, double headingDegrees);

// The scene of a snapshot in a view: the route's legs (the active one apart), its waypoints,
// names and arrival circles; a route being drawn by hand (`draft`); the targets with their
// vectors and labels; the ship with its course-and-speed vector of `vectorMinutes`. Lines are
// cut to the drawing area.
ChartScene buildScene(const ChartSnapshot& snapshot, const std::vector<RouteWaypoint>& draft,
                      const ChartView& view, double vectorMinutes);

// What lies under a point of the screen.
struct ChartPick {
    enum class Kind { Target, Waypoint, DraftWaypoint };
    Kind kind;
    std::size_t index;  // into the snapshot's targets, its route's waypoints or the draft
};

// The target or waypoint nearest to `point` within `radiusPixels`, if any.
std::optional<ChartPick> pickAt(const ChartSnapshot& snapshot, const std::vector<RouteWaypoint>& draft,
                                const ChartView& view, ScreenPoint point, double radiusPixels);

// The coast of a view in screen points, asked of the source only when the view changed.
class CoastLayer {
public:
    // The coast lines of `view` from `source`, cut to the drawing area. The reference holds
    // until the next call.
    const std::vector<std::vector<ScreenPoint>>& screenLines(CoastlineSource& source, const ChartView& view);

private:
    bool m_valid = false;
    CoastlineSource* m_source = nullptr;
    ChartView m_view;
    std::vector<std::vector<ScreenPoint>> m_lines;
};

}  // namespace pelora
