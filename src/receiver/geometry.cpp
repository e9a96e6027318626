#include "receiver/geometry.h"

#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace pelora {

namespace {

constexpr int kSystemCount = 4;
constexpr int kMostUnknowns = 3 + kSystemCount;
constexpr double kRadiansPerDegree = std::numbers::pi / 180;
// A pivot below this share of the largest diagonal element marks a geometry with no solution.
constexpr double kSingularShare = 1e-12;

using Matrix = std::array<std::array<double, kMostUnknowns>, kMostUnknowns>;

int systemIndex(GnssSystem system) { return static_cast<int>(system); }

// The inverse of the symmetric positive matrix `m` of size n, or nothing when it is singular.
std::optional<Matrix> invert(Matrix m, int n) {
    Matrix inverse{};
    for (int i = 0; i < n; ++i) inverse[i][i] = 1;
    double largest = 0;
    for (int i = 0; i < n; ++i) largest = std::max(largest, std::fabs(m[i][i]));
    for (int column = 0; column < n; ++column) {
        int pivot = column;
        for (int row = column + 1; row < n; ++row) {
            if (std::fabs(m[row][column]) > std::fabs(m[pivot][column])) pivot = row;
        }
        if (!(std::fabs(m[pivot][column]) > kSingularShare * largest)) return std::nullopt;
        std::swap(m[pivot], m[column]);
        std::swap(inverse[pivot], inverse[column]);
        const double scale = 1 / m[column][column];
        for (int k = 0; k < n; ++k) {
            m[column][k] *= scale;
            inverse[column][k] *= scale;
        }
        for (int row = 0; row < n; ++row) {
            if (row == column || m[row][column] == 0) continue;
            const double factor = m[row][column];
            for (int k = 0; k < n; ++k) {
                m[row][k] -= factor * m[column][k];
                inverse[row][k] -= factor * inverse[column][k];
            }
        }
    }
    return inverse;
}

// Solves with `dimensions` position unknowns (3, or 2 with the height held).
std::optional<Geometry> solve(std::span<const SatelliteView> satellites, int dimensions) {
    std::array<int, kSystemCount> clockColumn{-1, -1, -1, -1};
    int unknowns = dimensions;
    int count = 0;
    for (const SatelliteView& satellite : satellites) {
        if (!satellite.used) continue;
        ++count;
        int& column = clockColumn[static_cast<std::size_t>(systemIndex(satellite.system))];
        if (column < 0) column = unknowns++;
    }
    if (count < unknowns) return std::nullopt;

    Matrix normal{};
    for (const SatelliteView& satellite : satellites) {
        if (!satellite.used) continue;
        const double elevation = satellite.elevationDeg * kRadiansPerDegree;
        const double azimuth = satellite.azimuthDeg * kRadiansPerDegree;
        std::array<double, kMostUnknowns> row{};
        row[0] = std::cos(elevation) * std::sin(azimuth);
        row[1] = std::cos(elevation) * std::cos(azimuth);
        if (dimensions == 3) row[2] = std::sin(elevation);
        row[static_cast<std::size_t>(clockColumn[static_cast<std::size_t>(systemIndex(satellite.system))])] = 1;
        for (int i = 0; i < unknowns; ++i) {
            for (int j = 0; j < unknowns; ++j) normal[i][j] += row[i] * row[j];
        }
    }
    const std::optional<Matrix> q = invert(normal, unknowns);
    if (!q) return std::nullopt;

    Geometry geometry;
    geometry.eastEast = (*q)[0][0];
    geometry.northNorth = (*q)[1][1];
    geometry.eastNorth = (*q)[0][1];
    geometry.upUp = dimensions == 3 ? (*q)[2][2] : 0;
    if (!(geometry.eastEast >= 0 && geometry.northNorth >= 0 && geometry.upUp >= 0)) return std::nullopt;
    geometry.dop.hdop = std::sqrt(geometry.eastEast + geometry.northNorth);
    geometry.dop.vdop = std::sqrt(geometry.upUp);
    geometry.dop.pdop = std::sqrt(geometry.eastEast + geometry.northNorth + geometry.upUp);
    if (!(geometry.dop.pdop <= kMaxPositionDop)) return std::nullopt;
    geometry.state = dimensions == 3 ? FixState::Fix3D : FixState::Fix2D;
    return geometry;
}

}  // namespace

Geometry solveGeometry(std::span<const SatelliteView> satellites) {
    if (std::optional<Geometry> geometry = solve(satellites, 3)) return *geometry;
    if (std::optional<Geometry> geometry = solve(satellites, 2)) return *geometry;
    return {};
}

}  // namespace pelora
