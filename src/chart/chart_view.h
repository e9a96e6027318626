#pragma once

#include "chart/geo.h"

namespace pelora {

// A point on the Mercator plane in degrees: x is the longitude (not folded, so that a line
// that crosses 180 stays continuous), y the Mercator ordinate ln(tan(45° + lat / 2)) turned
// into degrees, so that near the equator one degree of y is one degree of latitude.
struct WorldPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const WorldPoint&, const WorldPoint&) = default;
};

// The highest latitude the chart shows; Mercator runs off to infinity at the poles.
inline constexpr double kChartLatitudeLimitDegrees = 85.0;

// The Mercator ordinate of a latitude, in degrees; latitudes beyond the chart's limit count as
// the limit.
double mercatorY(double latDegrees);
// The latitude of a Mercator ordinate in degrees.
double latitudeOfMercatorY(double y);
// A position on the Mercator plane.
WorldPoint toWorld(GeoPoint position);
// A longitude folded into [-180, 180).
double foldLongitude(double lonDegrees);

// What part of the chart the drawing area shows: a spherical Mercator projection, north up,
// centred on a position, at a scale of pixels per degree of longitude. Mercator is the
// projection of nautical charts: it keeps angles, so a course, a heading and a rhumb line
// (a constant course) are drawn straight and true at every latitude, which the plainer
// equirectangular projection does not do away from the equator. The sphere is the one on which
// a minute of latitude is a nautical mile; the chart is a picture, never a measure.
class ChartView {
public:
    static constexpr double kMinPixelsPerDegree = 0.5;      // the whole world in 180 pixels
    static constexpr double kMaxPixelsPerDegree = 2.0e6;    // about 18 pixels to the metre
    static constexpr double kDefaultPixelsPerDegree = 1800;  // 30 pixels to the mile at the equator

    // A view of `size` pixels centred on `centre`; the scale is held within the limits above.
    ChartView(GeoPoint centre = {}, double pixelsPerDegree = kDefaultPixelsPerDegree,
              ScreenSize size = {});

    GeoPoint centre() const;
    double pixelsPerDegree() const { return m_pixelsPerDegree; }
    ScreenSize size() const { return m_size; }

    // The screen point of a position; its longitude is taken the short way round from the
    // centre's, so a position just across 180 appears beside the centre, not a world away.
    ScreenPoint toScreen(GeoPoint position) const;
    // The screen point of a point of the Mercator plane, whose x is taken as it is (unfolded):
    // add or subtract turns first with `nearestTurn` where needed.
    ScreenPoint toScreen(WorldPoint point) const;
    // The position under a screen point, its longitude folded into [-180, 180).
    GeoPoint toGeo(ScreenPoint point) const;
    // The point of the Mercator plane under a screen point, x unfolded near the centre's.
    WorldPoint toWorld(ScreenPoint point) const;
    // The whole turns (multiples of 360) to add to `worldX` to bring it within half a turn of
    // the centre.
    double nearestTurn(double worldX) const;

    // How many pixels one nautical mile spans at a latitude, north-south or east-west.
    double pixelsPerNauticalMile(double latDegrees) const;
    // The latitudes and longitudes the drawing area shows; east - west never exceeds 360.
    GeoBox visibleBox() const;

    // Multiplies the scale by `factor` (held within the limits) so that the position under
    // `anchor` stays under it.
    void zoomAbout(ScreenPoint anchor, double factor);
    // Moves the chart under the drawing area by `dx`, `dy` pixels, as a drag does: what was
    // under a point is then under that point plus (dx, dy). The centre stays within the
    // latitude limit.
    void panBy(double dx, double dy);
    // Puts `position` at the centre of the drawing area.
    void centreOn(GeoPoint position);
    // A new drawing area size; the centre and the scale stay.
    void resize(ScreenSize size);

    friend bool operator==(const ChartView&, const ChartView&) = default;

private:
    void holdCentreInLimits();

    WorldPoint m_centre;  // x folded into [-180, 180)
    double m_pixelsPerDegree;
    ScreenSize m_size;
};

}  // namespace pelora
