#pragma once

#include <string>

namespace pelora {

// The program's own value of pi and its multiples; never the library's pi.
inline constexpr double kPi = 3.14159265358979;
inline constexpr double kTwoPi = 6.28318530717958;
inline constexpr double kThreePi = 9.42477796076937;
// Degrees to radians, 3.14159265358979 / 180.
inline constexpr double kDegreesToRadians = 0.017453292519943278;
// Radians to degrees, 180 / 3.14159265358979.
inline constexpr double kRadiansToDegrees = 180.0 / kPi;

// Folds a heading in degrees by one turn each way: 360 or more loses 360 once, then below 0
// gains 360 once. The argument is folded in place and the result returned.
double Wrap_Heading(double& angle);

// Bearing in radians, in [0, 2 * pi), of the movement with east component `east` and north
// component `north`; due north 0, due east pi / 2. Divides only when north is not 0.
double Atan2(const double& east, const double& north);

// A heading rounded to whole degrees with at least three digits ("005", "360", "-005").
std::string heading_format(const double& heading);

}  // namespace pelora
