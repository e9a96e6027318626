#pragma once

#include <vector>

#include "chart/geo.h"

namespace pelora {

// A rectangle of the screen, edges included.
struct ScreenRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// How far beyond the drawing area lines are kept, so that wide pens end off the screen.
inline constexpr double kClipMarginPixels = 16;

// The drawing area of `size` grown by `margin` pixels on every side.
ScreenRect grownScreen(ScreenSize size, double margin);

// Cuts polylines to a rectangle, point by point: the parts inside become separate runs, each
// cut where it leaves the rectangle, so that nothing far off the screen reaches the painter
// (whose fixed-point coordinates overflow some ten million pixels away).
class PolylineClipper {
public:
    explicit PolylineClipper(ScreenRect rect) : m_rect(rect) {}

    // Continues the current polyline to `point`.
    void lineTo(ScreenPoint point);
    // Ends the current polyline: the next point starts a new one.
    void breakLine();
    // The runs so far, each of two points or more.
    std::vector<std::vector<ScreenPoint>> takeRuns();

private:
    void endRun();

    ScreenRect m_rect;
    bool m_hasLast = false;
    ScreenPoint m_last;
    std::vector<ScreenPoint> m_run;
    std::vector<std::vector<ScreenPoint>> m_runs;
};

// The runs of one polyline inside `rect`.
std::vector<std::vector<ScreenPoint>> clipPolyline(const std::vector<ScreenPoint>& points, ScreenRect rect);

}  // namespace pelora
