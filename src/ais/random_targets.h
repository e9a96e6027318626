#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ais/ais_target.h"

namespace pelora {

// How many random targets, and how far around the own ship.
struct RandomTargetsChoice {
    int count = 0;          // kFewestRandomTargets..kMostRandomTargets
    double radiusNm = 0;    // kSmallestRandomRadiusNm..kLargestRandomRadiusNm
};

inline constexpr int kFewestRandomTargets = 1;
inline constexpr int kMostRandomTargets = 1000;
inline constexpr double kDefaultRandomRadiusNm = 10;
inline constexpr double kSmallestRandomRadiusNm = 0.1;
inline constexpr double kLargestRandomRadiusNm = 100;

// The choice read from "N[:RADIUS_NM]", or why it cannot be read.
struct RandomTargetsParse {
    std::optional<RandomTargetsChoice> choice;
    std::string error;      // empty when `choice` is there
};

// Reads "N" or "N:RADIUS_NM" (blanks around each part allowed): N a whole number from 1 to
// 1000, the radius a decimal number of nautical miles from 0.1 to 100, 10 when not given.
// The error names the text and says what a good one looks like.
RandomTargetsParse parseRandomTargets(std::string_view text);

// `choice.count` targets placed evenly at random within `choice.radiusNm` of (lat, lon) on the
// local flat chart: cargo ships, tankers, passenger ships, fast craft, fishing vessels, tugs and
// pilot boats on class A, sailing and pleasure craft on class B; names, MMSIs (unique, with real
// country codes), call signs and IMO numbers (with their check digit) made up; courses and speeds
// fitting each kind, some at anchor (status 1, speed 0). Every target passes checkTarget. The
// same arguments give the same targets on any machine; the targets come from a generator of
// their own seeded with `seed`, never from the ship's random source.
std::vector<AisTarget> randomTargets(const RandomTargetsChoice& choice, double lat, double lon, std::uint64_t seed);

}  // namespace pelora
