#include "chart/track_layer.h"

#include <algorithm>
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
        m_chunks.clear();
        m_thinnedUpTo = 0;
    }
    const std::size_t keptBefore = m_kept.size();
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
    if (m_kept.size() != keptBefore) boxChunksFrom(keptBefore == 0 ? 0 : (keptBefore - 1) / kChunkPoints);
}

void TrackLayer::boxChunksFrom(std::size_t chunk) {
    const std::size_t segments = m_kept.empty() ? 0 : m_kept.size() - 1;
    const std::size_t chunks = (segments + kChunkPoints - 1) / kChunkPoints;
    m_chunks.resize(chunks);
    for (std::size_t c = chunk; c < chunks; ++c) {
        const std::size_t first = c * kChunkPoints;
        const std::size_t last = std::min(first + kChunkPoints, segments);
        const WorldPoint& start = m_points[m_kept[first]];
        ChunkBox box{start.x, start.y, start.x, start.y};
        for (std::size_t k = first + 1; k <= last; ++k) {
            const WorldPoint& p = m_points[m_kept[k]];
            box = {std::min(box.west, p.x), std::min(box.south, p.y), std::max(box.east, p.x), std::max(box.north, p.y)};
        }
        m_chunks[c] = box;
    }
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
    const ScreenRect rect = grownScreen(view.size(), kClipMarginPixels);
    const WorldPoint topLeft = view.toWorld(ScreenPoint{rect.left, rect.top});
    const WorldPoint bottomRight = view.toWorld(ScreenPoint{rect.right, rect.bottom});
    PolylineClipper clipper(rect);
    auto draw = [&](std::size_t index) {
        clipper.lineTo(view.toScreen(WorldPoint{m_points[index].x + turn, m_points[index].y}));
    };
    bool drewLastChunk = false;
    for (std::size_t c = 0; c < m_chunks.size(); ++c) {
        const ChunkBox& box = m_chunks[c];
        const bool near = box.east + turn >= topLeft.x && box.west + turn <= bottomRight.x &&
                          box.north >= bottomRight.y && box.south <= topLeft.y;
        if (near) {
            const std::size_t first = c * kChunkPoints;
            if (!drewLastChunk) {
                clipper.breakLine();
                draw(m_kept[first]);
            }
            const std::size_t last = std::min(first + kChunkPoints, m_kept.size() - 1);
            for (std::size_t k = first + 1; k <= last; ++k) draw(m_kept[k]);
        }
        drewLastChunk = near;
    }
    if (m_kept.back() != m_points.size() - 1) {
        if (!drewLastChunk) {
            clipper.breakLine();
            draw(m_kept.back());
        }
        draw(m_points.size() - 1);
    }
    m_runs = clipper.takeRuns();
    return m_runs;
}

}  // namespace pelora
