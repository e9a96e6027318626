#pragma once

#include <cstddef>
#include <vector>

#include "chart/chart_view.h"
#include "chart/geo.h"
#include "chart/polyline_clip.h"

namespace pelora {

// Kept points of a drawn track are at least this far apart on the screen.
inline constexpr double kTrackStepPixels = 1.0;

// A track of any length (a million points and more) and its drawing. Points are appended as
// they come; each is put on the Mercator plane once. For drawing, the track is thinned to the
// points at least kTrackStepPixels from the last kept one at the view's scale: that depends on
// the scale alone, so a pan keeps it, a zoom thins it anew once, and appended points are thinned
// as they come. The screen lines are made again only when the view or the track changed, and
// then only from the stretches of the track that come near the drawing area.
class TrackLayer {
public:
    // Appends one position; a position that is not finite or not on the earth (latitude beyond
    // 90, longitude beyond 360) is left out. The longitude is taken the short way from the
    // previous point's, so a track across 180 stays one line.
    void append(GeoPoint position);
    void append(const std::vector<GeoPoint>& positions);
    // Forgets every point.
    void clear();

    std::size_t size() const { return m_points.size(); }

    // The track in screen points for `view`, thinned and cut to the drawing area (grown by
    // kClipMarginPixels): the first and the last point of the track are always in it (when on
    // the screen). The track's turn is chosen so that its last point lies within half a turn of
    // the centre. The reference holds until the next call or change.
    const std::vector<std::vector<ScreenPoint>>& screenRuns(const ChartView& view);

    // How many points the thinning keeps at the scale of the last screenRuns call.
    std::size_t keptCount() const { return m_kept.size(); }

private:
    // A stretch of kChunkPoints kept points and the box around it on the Mercator plane.
    struct ChunkBox {
        double west, south, east, north;
    };
    static constexpr std::size_t kChunkPoints = 256;

    void thin(double pixelsPerDegree);
    void boxChunksFrom(std::size_t chunk);

    std::vector<WorldPoint> m_points;
    // The thinning at m_keptScale: indexes into m_points, covering m_points[0, m_thinnedUpTo).
    double m_keptScale = 0;
    std::vector<std::size_t> m_kept;
    std::size_t m_thinnedUpTo = 0;
    // Chunk c spans the kept points c * kChunkPoints to (c + 1) * kChunkPoints, both ends
    // included, so that only the stretches near the drawing area are projected and cut.
    std::vector<ChunkBox> m_chunks;
    // The screen lines of m_runsView over the first m_runsTrackSize points.
    bool m_runsValid = false;
    ChartView m_runsView;
    std::size_t m_runsTrackSize = 0;
    std::vector<std::vector<ScreenPoint>> m_runs;
};

}  // namespace pelora
