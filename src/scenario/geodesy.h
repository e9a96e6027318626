#pragma once

namespace pelora {

// Geodesics on the WGS-84 ellipsoid (GeographicLib). Positions in signed decimal degrees,
// azimuths in degrees clockwise from true north in [0, 360), distances in metres.

inline constexpr double kMetresPerNauticalMile = 1852.0;
inline constexpr double kDegreesPerRadian = 57.29577951308232;

// The shortest path from the first position to the second.
struct GeodesicPath {
    double metres = 0;
    double azimuthStart = 0;  // direction of the path as it leaves the first position
    double azimuthEnd = 0;    // direction of the path as it arrives at the second
};
GeodesicPath geodesicPath(double latitude1, double longitude1, double latitude2, double longitude2);

// Where a point lies against the geodesic from `origin` to `destination` (extended beyond both
// ends): its distance from the geodesic, positive when the point is to the right (starboard) of
// the direction of travel, and the distance along the geodesic from the origin to the foot of
// the perpendicular (negative behind the origin). Accurate to a millimetre for points within
// a few thousand kilometres of the geodesic. A leg shorter than a centimetre gives zero for both.
struct TrackOffset {
    double crossTrackMetres = 0;
    double alongTrackMetres = 0;
};
TrackOffset trackOffset(double originLatitude, double originLongitude, double destinationLatitude,
                        double destinationLongitude, double latitude, double longitude);

}  // namespace pelora
