#include "chart/polyline_clip.h"

#include <cmath>
#include <utility>

namespace pelora {

namespace {

// Liang-Barsky: cuts the segment a-b to `rect`; false when no part of it lies inside.
bool clipSegment(ScreenPoint& a, ScreenPoint& b, const ScreenRect& rect) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    double enter = 0;
    double leave = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - rect.left, rect.right - a.x, a.y - rect.top, rect.bottom - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > leave) return false;
            if (t > enter) enter = t;
        } else {
            if (t < enter) return false;
            if (t < leave) leave = t;
        }
    }
    const ScreenPoint start{a.x + enter * dx, a.y + enter * dy};
    const ScreenPoint end{a.x + leave * dx, a.y + leave * dy};
    a = start;
    b = end;
    return true;
}

bool finite(ScreenPoint point) { return std::isfinite(point.x) && std::isfinite(point.y); }

}  // namespace

ScreenRect grownScreen(ScreenSize size, double margin) {
    return {-margin, -margin, size.width + margin, size.height + margin};
}

void PolylineClipper::lineTo(ScreenPoint point) {
    if (!finite(point)) {
        breakLine();
        return;
    }
    if (!m_hasLast) {
        m_hasLast = true;
        m_last = point;
        return;
    }
    ScreenPoint a = m_last;
    ScreenPoint b = point;
    m_last = point;
    if (!clipSegment(a, b, m_rect)) {
        endRun();
        return;
    }
    if (m_run.empty() || !(m_run.back() == a)) {
        endRun();
        m_run.push_back(a);
    }
    m_run.push_back(b);
    if (!(b == point)) endRun();
}

void PolylineClipper::breakLine() {
    endRun();
    m_hasLast = false;
}

void PolylineClipper::endRun() {
    if (m_run.size() >= 2) m_runs.push_back(std::move(m_run));
    m_run.clear();
}

std::vector<std::vector<ScreenPoint>> PolylineClipper::takeRuns() {
    endRun();
    return std::exchange(m_runs, {});
}

std::vector<std::vector<ScreenPoint>> clipPolyline(const std::vector<ScreenPoint>& points, ScreenRect rect) {
    PolylineClipper clipper(rect);
    for (const ScreenPoint& point : points) clipper.lineTo(point);
    return clipper.takeRuns();
}

}  // namespace pelora
