#include "chart/chart_view.h"

#include <algorithm>
#include <cmath>

#include "sim/navigation.h"

namespace pelora {

namespace {

constexpr double kDegreesPerTurn = 360;
constexpr double kViewHalfTurnDegrees = 180;
constexpr double kViewMinutesPerDegree = 60;

double heldScale(double pixelsPerDegree) {
    if (!std::isfinite(pixelsPerDegree)) return ChartView::kDefaultPixelsPerDegree;
    return std::clamp(pixelsPerDegree, ChartView::kMinPixelsPerDegree, ChartView::kMaxPixelsPerDegree);
}

}  // namespace

double mercatorY(double latDegrees) {
    const double lat = std::clamp(latDegrees, -kChartLatitudeLimitDegrees, kChartLatitudeLimitDegrees);
    return std::log(std::tan(kPi / 4 + lat * kDegreesToRadians / 2)) * kRadiansToDegrees;
}

double latitudeOfMercatorY(double y) {
    return (2 * std::atan(std::exp(y * kDegreesToRadians)) - kPi / 2) * kRadiansToDegrees;
}

WorldPoint toWorld(GeoPoint position) { return {position.lon, mercatorY(position.lat)}; }

double foldLongitude(double lonDegrees) {
    if (!std::isfinite(lonDegrees)) return 0;
    double folded = std::fmod(lonDegrees + kViewHalfTurnDegrees, kDegreesPerTurn);
    if (folded < 0) folded += kDegreesPerTurn;
    return folded - kViewHalfTurnDegrees;
}

ChartView::ChartView(GeoPoint centre, double pixelsPerDegree, ScreenSize size)
    : m_centre(pelora::toWorld({centre.lat, foldLongitude(centre.lon)})),
      m_pixelsPerDegree(heldScale(pixelsPerDegree)),
      m_size(size) {}

GeoPoint ChartView::centre() const { return {latitudeOfMercatorY(m_centre.y), m_centre.x}; }

ScreenPoint ChartView::toScreen(GeoPoint position) const {
    WorldPoint world = pelora::toWorld(position);
    world.x = m_centre.x + foldLongitude(world.x - m_centre.x);
    return toScreen(world);
}

ScreenPoint ChartView::toScreen(WorldPoint point) const {
    return {m_size.width / 2 + (point.x - m_centre.x) * m_pixelsPerDegree,
            m_size.height / 2 - (point.y - m_centre.y) * m_pixelsPerDegree};
}

WorldPoint ChartView::toWorld(ScreenPoint point) const {
    return {m_centre.x + (point.x - m_size.width / 2) / m_pixelsPerDegree,
            m_centre.y - (point.y - m_size.height / 2) / m_pixelsPerDegree};
}

GeoPoint ChartView::toGeo(ScreenPoint point) const {
    const WorldPoint world = toWorld(point);
    return {latitudeOfMercatorY(world.y), foldLongitude(world.x)};
}

double ChartView::nearestTurn(double worldX) const {
    return std::round((m_centre.x - worldX) / kDegreesPerTurn) * kDegreesPerTurn;
}

double ChartView::pixelsPerNauticalMile(double latDegrees) const {
    const double lat = std::clamp(latDegrees, -kChartLatitudeLimitDegrees, kChartLatitudeLimitDegrees);
    return m_pixelsPerDegree / (kViewMinutesPerDegree * std::cos(lat * kDegreesToRadians));
}

GeoBox ChartView::visibleBox() const {
    const double halfWidthDegrees =
        std::min(m_size.width / 2 / m_pixelsPerDegree, kViewHalfTurnDegrees);
    const double halfHeight = m_size.height / 2 / m_pixelsPerDegree;
    return {latitudeOfMercatorY(m_centre.y - halfHeight), m_centre.x - halfWidthDegrees,
            latitudeOfMercatorY(m_centre.y + halfHeight), m_centre.x + halfWidthDegrees};
}

void ChartView::zoomAbout(ScreenPoint anchor, double factor) {
    if (!std::isfinite(factor) || factor <= 0) return;
    const WorldPoint fixed = toWorld(anchor);
    m_pixelsPerDegree = heldScale(m_pixelsPerDegree * factor);
    m_centre = {fixed.x - (anchor.x - m_size.width / 2) / m_pixelsPerDegree,
                fixed.y + (anchor.y - m_size.height / 2) / m_pixelsPerDegree};
    holdCentreInLimits();
}

void ChartView::panBy(double dx, double dy) {
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    m_centre.x -= dx / m_pixelsPerDegree;
    m_centre.y += dy / m_pixelsPerDegree;
    holdCentreInLimits();
}

void ChartView::centreOn(GeoPoint position) {
    if (!std::isfinite(position.lat) || !std::isfinite(position.lon)) return;
    m_centre = pelora::toWorld(position);
    holdCentreInLimits();
}

void ChartView::resize(ScreenSize size) { m_size = size; }

void ChartView::holdCentreInLimits() {
    const double limit = mercatorY(kChartLatitudeLimitDegrees);
    m_centre.y = std::clamp(m_centre.y, -limit, limit);
    m_centre.x = foldLongitude(m_centre.x);
}

}  // namespace pelora
