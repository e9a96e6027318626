#include "sim/navigation.h"

#include <cmath>

#include "text/number_text.h"

namespace pelora {

double Wrap_Heading(double& angle) {
    if (angle >= 360) angle -= 360;
    if (angle < 0) angle += 360;
    return angle;
}

double Atan2(const double& east, const double& north) {
    if (north > 0 && east >= 0) return std::atan(east / north);
    if (north < 0 && east >= 0) return std::atan(east / north) + kPi;
    if (north < 0 && east < 0) return std::atan(east / north) + kPi;
    if (north > 0 && east < 0) return std::atan(east / north) + kTwoPi;
    if (north == 0 && east > 0) return kPi / 2;
    if (north == 0 && east < 0) return kThreePi / 2;
    return 0;
}

std::string heading_format(const double& heading) { return formatHeading(heading); }

}  // namespace pelora
