#pragma once

#include <chrono>

#include "ais/ais_target.h"

namespace pelora {

// A turn faster than this counts as changing course for the reporting interval: 5 degrees in
// 30 seconds, the rate above which message 1 may say "turning" without a rate.
inline constexpr double kChangingCourseDegPerMin = 10;

// How often static data goes out: message 5 (class A), 24 parts A and B (class B).
inline constexpr std::chrono::milliseconds kStaticDataInterval = std::chrono::minutes(6);

// How often a station of `aisClass` moving at `speedKnots` and turning at
// `rateOfTurnDegPerMin` (sign ignored) with navigational status `status` sends its position
// report, as ITU-R M.1371 (Annex 1, Table 1 for class A; class B "CS" by speed) sets it.
// Class B ignores the status and the turn.
std::chrono::milliseconds positionReportInterval(AisClass aisClass, double speedKnots, double rateOfTurnDegPerMin,
                                                 NavigationStatus status);

}  // namespace pelora
