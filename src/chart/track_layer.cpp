#include "chart/track_layer.h"

#include <cmath>

namespace pelora {

namespace {

constexpr double kLatitudeLimit = 90;
constexpr double kLongitudeLimit = 360;

}  // namespace

void TrackLayer::append(GeoPoint position) {
    if (!std::isfinite(position.lat) || !std::isfinite(position.lon) || std::fabs(position.lat) > kLatitudeLimit ||
        std::fabs(position.lon) > kLongitudeLimit) {
        return;
    }
    WorldPoint world = toWorld(position);
    if (!m_points.empty()) world.x = m_points.back().x + foldLongitude(world.x - m_points.back().x);
    m_points.push_back(world);
}

void TrackLayer::append(const std::vector<GeoPoint>& positions) {
    m_points.reserve(m_points.size() + positions.size());
    for (const GeoPoint& position : positions) append(position);
}

void TrackLayer::clear() {
    m_points.clear();
    m_kept.clear();
    m_thinnedUpTo = 0;
    m_runsValid = false;
    m_runs.clear();
}

void TrackLayer::thin(double pixelsPerDegree) {
    if (pixelsPerDegree != m_keptScale) {
        m_keptScale = pixelsPerDegree;
        m_kept.clear();
        m_thinnedUpTo = 0;
    }
    const double step = kTrackStepPixels / pixelsPerDegree;
    const double stepSquared = step * step;
    for (std::size_t i = m_thinnedUpTo; i < m_points.size(); ++i) {
        if (!m_kept.empty()) {
            const WorldPoint& last = m_points[m_kept.back()];
            const double dx = m_points[i].x - last.x;
            const double dy = m_points[i].y - last.y;
            if (dx * dx + dy * dy < stepSquared) continue;
        }
        m_kept.push_back(i);
    }
    m_thinnedUpTo = m_points.size();
}

const std::vector<std::vector<ScreenPoint>>& TrackLayer::screenRuns(const ChartView& view) {
    thin(view.pixelsPerDegree());
    if (m_runsValid && m_runsView == view && m_runsTrackSize == m_points.size()) return m_runs;

    m_runsValid = true;
    m_runsView = view;
    m_runsTrackSize = m_points.size();
    m_runs.clear();
    if (m_points.empty()) return m_runs;

    const double turn = view.nearestTurn(m_points.back().x);
    PolylineClipper clipper(grownScreen(view.size(), kClipMarginPixels));
    for (std::size_t index : m_kept) {
        clipper.lineTo(view.toScreen(WorldPoint{m_points[index].x + turn, m_points[index].y}));
    }
    if (m_kept.back() != m_points.size() - 1) {
        clipper.lineTo(view.toScreen(WorldPoint{m_points.back().x + turn, m_points.back().y}));
    }
    m_runs = clipper.takeRuns();
    return m_runs;
}

}  // namespace pelora
