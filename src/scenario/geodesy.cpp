#include "scenario/geodesy.h"

#include <cmath>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

namespace pelora {

namespace {

constexpr double kMeanEarthRadiusMetres = 6371008.8;
constexpr double kShortestLegMetres = 0.01;
constexpr double kFootToleranceMetres = 1e-5;
constexpr int kMostFootSteps = 30;

double azimuth360(double azimuth) {
    double folded = std::fmod(azimuth, 360.0);
    if (folded < 0) folded += 360.0;
    return folded >= 360.0 ? 0.0 : folded;
}

const GeographicLib::Geodesic& wgs84() { return GeographicLib::Geodesic::WGS84(); }

}  // namespace

GeodesicPath geodesicPath(double latitude1, double longitude1, double latitude2, double longitude2) {
    double metres = 0;
    double azimuth1 = 0;
    double azimuth2 = 0;
    wgs84().Inverse(latitude1, longitude1, latitude2, longitude2, metres, azimuth1, azimuth2);
    return {metres, azimuth360(azimuth1), azimuth360(azimuth2)};
}

TrackOffset trackOffset(double originLatitude, double originLongitude, double destinationLatitude,
                        double destinationLongitude, double latitude, double longitude) {
    const GeographicLib::GeodesicLine line =
        wgs84().InverseLine(originLatitude, originLongitude, destinationLatitude, destinationLongitude);
    if (line.Distance() < kShortestLegMetres) return {};

    // The foot of the perpendicular: from a point of the line, the geodesic to the point leaves
    // at an angle to the line; on a sphere the foot lies atan(tan(d) cos(angle)) further on. On
    // the ellipsoid a few such steps reach it.
    double along = 0;
    double distance = 0;
    double angle = 0;
    for (int step = 0; step < kMostFootSteps; ++step) {
        double footLatitude = 0;
        double footLongitude = 0;
        double lineAzimuth = 0;
        line.Position(along, footLatitude, footLongitude, lineAzimuth);
        double azimuthToPoint = 0;
        double azimuthAtPoint = 0;
        wgs84().Inverse(footLatitude, footLongitude, latitude, longitude, distance, azimuthToPoint, azimuthAtPoint);
        angle = (azimuthToPoint - lineAzimuth) / kDegreesPerRadian;
        const double arc = distance / kMeanEarthRadiusMetres;
        const double move = kMeanEarthRadiusMetres * std::atan2(std::sin(arc) * std::cos(angle), std::cos(arc));
        along += move;
        if (std::fabs(move) < kFootToleranceMetres) break;
    }
    return {std::sin(angle) >= 0 ? distance : -distance, along};
}

}  // namespace pelora
