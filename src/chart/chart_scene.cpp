#include "chart/chart_scene.h"

#include <algorithm>
#include <cmath>

#include "chart/chart_text.h"
#include "chart/polyline_clip.h"
#include "sim/navigation.h"

namespace pelora {

namespace {

constexpr double kMinutesPerHour = 60;
constexpr double kNmPerDegreeOfArc = 60;
constexpr double kTinyMercatorStep = 1e-12;
// Circles larger than this are not drawn: their edge is then far off at any useful zoom.
constexpr double kMaxCirclePixels = 1e6;
// Symbols and labels further than this off the drawing area are left out.
constexpr double kSymbolMarginPixels = 200;
// Where labels stand from their point.
constexpr ScreenPoint kWaypointLabelOffset{7, 3};
constexpr ScreenPoint kTargetLabelOffset{11, 4};

// Outlines in pixels around the symbol's own position, bow up (north), y downwards.
constexpr ScreenPoint kShipOutline[] = {{0, -14}, {6, -5}, {6, 10}, {-6, 10}, {-6, -5}};
constexpr ScreenPoint kTargetOutline[] = {{0, -11}, {7, 7}, {-7, 7}};

template <std::size_t N>
std::vector<ScreenPoint> turned(const ScreenPoint (&outline)[N], ScreenPoint centre, double headingDegrees) {
    const double angle = (std::isfinite(headingDegrees) ? headingDegrees : 0) * kDegreesToRadians;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    std::vector<ScreenPoint> points;
    points.reserve(N);
    for (const ScreenPoint& p : outline) points.push_back({centre.x + p.x * c - p.y * s, centre.y + p.x * s + p.y * c});
    return points;
}

// Screen points of a line through `positions`, each longitude taken the short way from the one
// before, the first the short way from the centre's.
std::vector<ScreenPoint> lineOnScreen(const ChartView& view, const std::vector<GeoPoint>& positions) {
    std::vector<ScreenPoint> points;
    points.reserve(positions.size());
    double previousX = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        WorldPoint world = toWorld(positions[i]);
        world.x = i == 0 ? world.x + view.nearestTurn(world.x) : previousX + foldLongitude(world.x - previousX);
        previousX = world.x;
        points.push_back(view.toScreen(world));
    }
    return points;
}

bool near(ScreenPoint point, ScreenSize size, double margin) {
    return point.x >= -margin && point.y >= -margin && point.x <= size.width + margin &&
           point.y <= size.height + margin;
}

class SceneBuilder {
public:
    SceneBuilder(const ChartView& view, double vectorMinutes)
        : m_view(view), m_clip(grownScreen(view.size(), kClipMarginPixels)), m_vectorMinutes(vectorMinutes) {}

    void line(Ink ink, const std::vector<GeoPoint>& positions) {
        for (auto& run : clipPolyline(lineOnScreen(m_view, positions), m_clip)) {
            m_scene.lines.push_back({ink, std::move(run)});
        }
    }

    void vector(Ink ink, GeoPoint from, double courseDegrees, double speedKnots) {
        if (!std::isfinite(speedKnots) || !std::isfinite(courseDegrees) || speedKnots <= 0) return;
        line(ink, {from, rhumbDestination(from, courseDegrees, speedKnots * m_vectorMinutes / kMinutesPerHour)});
    }

    void circle(Ink ink, GeoPoint centre, double radiusPixels) {
        const ScreenPoint point = m_view.toScreen(centre);
        if (!(radiusPixels > 0) || radiusPixels > kMaxCirclePixels) return;
        if (!near(point, m_view.size(), radiusPixels + kSymbolMarginPixels)) return;
        m_scene.circles.push_back({ink, point, radiusPixels});
    }

    void label(Ink ink, GeoPoint at, ScreenPoint offset, std::string text) {
        const ScreenPoint point = m_view.toScreen(at);
        if (text.empty() || !near(point, m_view.size(), kSymbolMarginPixels)) return;
        m_scene.labels.push_back({ink, {point.x + offset.x, point.y + offset.y}, std::move(text)});
    }

    void shape(Ink ink, GeoPoint at, std::vector<ScreenPoint> (*symbol)(ScreenPoint, double), double heading) {
        const ScreenPoint point = m_view.toScreen(at);
        if (!near(point, m_view.size(), kSymbolMarginPixels)) return;
        m_scene.shapes.push_back({ink, symbol(point, heading)});
    }

    void waypoints(const std::vector<RouteWaypoint>& waypoints, Ink legInk, Ink dotInk,
                   std::optional<std::size_t> activeLeg, double arrivalRadiusNm) {
        for (std::size_t i = 0; i + 1 < waypoints.size(); ++i) {
            line(activeLeg == i ? Ink::ActiveLeg : legInk, {waypoints[i].position, waypoints[i + 1].position});
        }
        for (const RouteWaypoint& waypoint : waypoints) {
            if (std::isfinite(arrivalRadiusNm) && arrivalRadiusNm > 0) {
                circle(Ink::ArrivalCircle, waypoint.position,
                       arrivalRadiusNm * m_view.pixelsPerNauticalMile(waypoint.position.lat));
            }
            circle(dotInk, waypoint.position, kWaypointDotPixels);
            label(dotInk, waypoint.position, kWaypointLabelOffset, waypoint.name);
        }
    }

    ChartScene take() { return std::move(m_scene); }

private:
    const ChartView& m_view;
    ScreenRect m_clip;
    double m_vectorMinutes;
    ChartScene m_scene;
};

double squaredDistance(ScreenPoint a, ScreenPoint b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); }

}  // namespace

GeoPoint rhumbDestination(GeoPoint from, double courseDegrees, double distanceNm) {
    const double course = courseDegrees * kDegreesToRadians;
    const double dLat = distanceNm * std::cos(course) / kNmPerDegreeOfArc;
    const double lat = std::clamp(from.lat + dLat, -kChartLatitudeLimitDegrees, kChartLatitudeLimitDegrees);
    const double dMercator = mercatorY(lat) - mercatorY(from.lat);
    // Along a rhumb line, latitude and Mercator ordinate keep the ratio of their changes; on an
    // east-west line the ratio is the cosine of the latitude.
    const double ratio = std::fabs(dMercator) > kTinyMercatorStep ? (lat - from.lat) / dMercator
                                                                   : std::cos(from.lat * kDegreesToRadians);
    return {lat, from.lon + distanceNm * std::sin(course) / kNmPerDegreeOfArc / ratio};
}

std::vector<ScreenPoint> shipSymbol(ScreenPoint centre, double headingDegrees) {
    return turned(kShipOutline, centre, headingDegrees);
}

std::vector<ScreenPoint> targetSymbol(ScreenPoint centre, double headingDegrees) {
    return turned(kTargetOutline, centre, headingDegrees);
}

ChartScene buildScene(const ChartSnapshot& snapshot, const std::vector<RouteWaypoint>& draft,
                      const ChartView& view, double vectorMinutes) {
    SceneBuilder builder(view, vectorMinutes);
    if (snapshot.route) {
        builder.waypoints(snapshot.route->waypoints, Ink::RouteLeg, Ink::Waypoint, snapshot.route->activeLeg,
                          snapshot.route->arrivalRadiusNm);
    }
    builder.waypoints(draft, Ink::DraftRoute, Ink::DraftWaypoint, std::nullopt, 0);
    for (const ChartTarget& target : snapshot.targets) {
        builder.vector(Ink::TargetVector, target.position, target.courseDegrees, target.speedKnots);
        builder.shape(Ink::Target, target.position, targetSymbol, target.headingDegrees.value_or(target.courseDegrees));
        builder.label(Ink::Target, target.position, kTargetLabelOffset, targetLabel(target));
    }
    if (snapshot.ship) {
        const OwnShip& ship = *snapshot.ship;
        builder.vector(Ink::ShipVector, ship.position, ship.courseDegrees, ship.speedKnots);
        builder.shape(Ink::Ship, ship.position, shipSymbol, ship.headingDegrees);
    }
    return builder.take();
}

std::optional<ChartPick> pickAt(const ChartSnapshot& snapshot, const std::vector<RouteWaypoint>& draft,
                                const ChartView& view, ScreenPoint point, double radiusPixels) {
    std::optional<ChartPick> best;
    double bestDistance = radiusPixels * radiusPixels;
    auto consider = [&](GeoPoint position, ChartPick::Kind kind, std::size_t index) {
        const double distance = squaredDistance(view.toScreen(position), point);
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = ChartPick{kind, index};
        }
    };
    if (snapshot.route) {
        for (std::size_t i = 0; i < snapshot.route->waypoints.size(); ++i) {
            consider(snapshot.route->waypoints[i].position, ChartPick::Kind::Waypoint, i);
        }
    }
    for (std::size_t i = 0; i < draft.size(); ++i) consider(draft[i].position, ChartPick::Kind::DraftWaypoint, i);
    for (std::size_t i = 0; i < snapshot.targets.size(); ++i) {
        consider(snapshot.targets[i].position, ChartPick::Kind::Target, i);
    }
    return best;
}

const std::vector<std::vector<ScreenPoint>>& CoastLayer::screenLines(CoastlineSource& source, const ChartView& view) {
    if (m_valid && m_source == &source && m_view == view) return m_lines;
    m_valid = true;
    m_source = &source;
    m_view = view;
    m_lines.clear();
    const ScreenRect clip = grownScreen(view.size(), kClipMarginPixels);
    for (CoastLine& coast : source.linesIn(view.visibleBox(), 1 / view.pixelsPerDegree())) {
        if (coast.closed && !coast.points.empty()) coast.points.push_back(coast.points.front());
        for (auto& run : clipPolyline(lineOnScreen(view, coast.points), clip)) m_lines.push_back(std::move(run));
    }
    return m_lines;
}

}  // namespace pelora
