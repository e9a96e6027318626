#pragma once

namespace pelora {

// A position on the earth: latitude and longitude in degrees, north and east positive.
struct GeoPoint {
    double lat = 0;
    double lon = 0;
    friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

// A point on the screen in pixels: x to the right, y downwards, from the top left corner.
struct ScreenPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// The size of the drawing area in pixels.
struct ScreenSize {
    double width = 0;
    double height = 0;
    friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
};

// A box of latitudes and longitudes. `west` may exceed `east` by no more than a turn's worth of
// longitudes: longitudes run from `west` eastwards to `east`, which may lie beyond 180.
struct GeoBox {
    double south = 0;
    double west = 0;
    double north = 0;
    double east = 0;
};

}  // namespace pelora
