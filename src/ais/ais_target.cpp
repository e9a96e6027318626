#include "ais/ais_target.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "text/number_text.h"

namespace pelora {

namespace {

constexpr std::uint32_t kSmallestMmsi = 100000000;
constexpr std::uint32_t kLargestMmsi = 999999999;
constexpr std::uint32_t kSmallestImo = 1000000;
constexpr std::uint32_t kLargestImo = 9999999;
constexpr std::size_t kNameCharacters = 20;
constexpr std::size_t kCallSignCharacters = 7;
constexpr std::size_t kDestinationCharacters = 20;
constexpr int kLargestShipType = 99;
constexpr double kLargestLengthMetres = 1022;    // 511 to the bow plus 511 to the stern
constexpr double kLargestBeamMetres = 126;       // 63 to port plus 63 to starboard
constexpr double kDeepestDraughtMetres = 25.5;   // 255 tenths
constexpr double kLargestSpeedKnots = 102.2;
constexpr double kLargestRateOfTurnDegPerMin = 708;
constexpr int kLargestToBow = 511;
constexpr int kLargestToPort = 63;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string numberText(double value) { return std::isfinite(value) ? shortestNumberText(value) : "not a number"; }

// What is wrong with a text field, or nothing: too long, or a character AIS cannot send.
std::optional<std::string> textProblem(const char* field, const std::string& text, std::size_t largest) {
    if (text.size() > largest) {
        return std::string(field) + " " + quoted(text) + ": " + std::to_string(text.size()) +
               " characters, AIS sends at most " + std::to_string(largest);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kAisTextCharacters.find(text[i]) == std::string_view::npos) {
            const unsigned char code = static_cast<unsigned char>(text[i]);
            const std::string shown = (code >= 0x20 && code < 0x7f) ? "'" + std::string(1, text[i]) + "'"
                                                                     : "byte " + std::to_string(code);
            return std::string(field) + " " + quoted(text) + ": " + shown + " (character " +
                   std::to_string(i + 1) + ") cannot be sent; AIS " + field +
                   "s use capital letters, digits, space and !\"#$%&'()*+,-./:;<=>?[\\]^_";
        }
    }
    return std::nullopt;
}

// What is wrong with a number that must lie within [low, high], or nothing.
std::optional<std::string> rangeProblem(const char* field, double value, double low, double high,
                                        const char* unit) {
    if (std::isfinite(value) && value >= low && value <= high) return std::nullopt;
    return std::string(field) + " " + numberText(value) + ": must be " + numberText(low) + " to " +
           numberText(high) + unit;
}

bool imoCheckDigitHolds(std::uint32_t imo) {
    // The last digit is the sum of the first six, weighted 7 down to 2, modulo 10.
    std::uint32_t rest = imo / 10;
    std::uint32_t sum = 0;
    for (std::uint32_t weight = 2; weight <= 7; ++weight) {
        sum += (rest % 10) * weight;
        rest /= 10;
    }
    return sum % 10 == imo % 10;
}

std::optional<std::string> etaProblem(const Eta& eta) {
    if (eta.month < 0 || eta.month > 12 || eta.day < 0 || eta.day > 31 || eta.hour < 0 || eta.hour > 24 ||
        eta.minute < 0 || eta.minute > 60) {
        return "ETA " + std::to_string(eta.month) + "-" + std::to_string(eta.day) + " " +
               std::to_string(eta.hour) + ":" + std::to_string(eta.minute) +
               ": month 1 to 12 (0 not given), day 1 to 31 (0), hour 0 to 23 (24), minute 0 to 59 (60)";
    }
    return std::nullopt;
}

std::optional<std::string> routeProblem(const AisTarget& target) {
    for (std::size_t i = 0; i < target.route.size(); ++i) {
        const TargetWaypoint& point = target.route[i];
        const std::string field = "waypoint " + std::to_string(i + 1) + " latitude";
        if (auto problem = rangeProblem(field.c_str(), point.lat, -90, 90, " degrees")) return problem;
        const std::string lonField = "waypoint " + std::to_string(i + 1) + " longitude";
        if (auto problem = rangeProblem(lonField.c_str(), point.lon, -180, 180, " degrees")) return problem;
    }
    if (!target.route.empty()) {
        if (!std::isfinite(target.arrivalRadiusNm) || target.arrivalRadiusNm <= 0) {
            return "arrival radius " + numberText(target.arrivalRadiusNm) + ": must be more than 0 NM";
        }
        if (!std::isfinite(target.routeTurnDegPerMin) || target.routeTurnDegPerMin <= 0 ||
            target.routeTurnDegPerMin > kLargestRateOfTurnDegPerMin) {
            return "route turn rate " + numberText(target.routeTurnDegPerMin) +
                   ": must be more than 0 and at most 708 degrees per minute";
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> checkTarget(const AisTarget& target) {
    if (target.mmsi < kSmallestMmsi || target.mmsi > kLargestMmsi) {
        return "MMSI " + std::to_string(target.mmsi) + ": must have nine digits (100000000 to 999999999)";
    }
    if (auto problem = textProblem("name", target.name, kNameCharacters)) return problem;
    if (auto problem = textProblem("call sign", target.callSign, kCallSignCharacters)) return problem;
    if (auto problem = textProblem("destination", target.destination, kDestinationCharacters)) return problem;
    if (target.shipType < 0 || target.shipType > kLargestShipType) {
        return "ship type " + std::to_string(target.shipType) + ": must be 0 to 99";
    }
    if (target.imo != 0 && (target.imo < kSmallestImo || target.imo > kLargestImo)) {
        return "IMO number " + std::to_string(target.imo) + ": must have seven digits (or be 0, not known)";
    }
    if (target.imo != 0 && !imoCheckDigitHolds(target.imo)) {
        return "IMO number " + std::to_string(target.imo) + ": the check digit does not match";
    }
    if (auto problem = rangeProblem("length", target.lengthMetres, 0, kLargestLengthMetres, " m")) return problem;
    if (auto problem = rangeProblem("beam", target.beamMetres, 0, kLargestBeamMetres, " m")) return problem;
    if (auto problem = rangeProblem("draught", target.draughtMetres, 0, kDeepestDraughtMetres, " m")) return problem;
    if (auto problem = etaProblem(target.eta)) return problem;
    if (auto problem = rangeProblem("latitude", target.lat, -90, 90, " degrees")) return problem;
    if (auto problem = rangeProblem("longitude", target.lon, -180, 180, " degrees")) return problem;
    if (auto problem = rangeProblem("course", target.courseDeg, 0, 360, " degrees")) return problem;
    if (auto problem = rangeProblem("speed", target.speedKnots, 0, kLargestSpeedKnots, " knots")) return problem;
    if (auto problem = rangeProblem("rate of turn", target.rateOfTurnDegPerMin, -kLargestRateOfTurnDegPerMin,
                                    kLargestRateOfTurnDegPerMin, " degrees per minute")) {
        return problem;
    }
    if (target.headingDeg) {
        if (auto problem = rangeProblem("heading", *target.headingDeg, 0, 360, " degrees")) return problem;
    }
    const auto status = static_cast<int>(target.status);
    if (status < 0 || status > static_cast<int>(NavigationStatus::NotDefined)) {
        return "navigation status " + std::to_string(status) + ": must be 0 to 15";
    }
    return routeProblem(target);
}

ShipDimensions dimensionsOf(const AisTarget& target) {
    const auto split = [](double metres, int largestPart, int& first, int& second) {
        const long total = std::isfinite(metres) && metres > 0 ? std::lround(metres) : 0;
        first = static_cast<int>(std::min<long>(total - total / 2, largestPart));
        second = static_cast<int>(std::min<long>(total / 2, largestPart));
    };
    ShipDimensions dimensions;
    split(target.lengthMetres, kLargestToBow, dimensions.toBow, dimensions.toStern);
    split(target.beamMetres, kLargestToPort, dimensions.toPort, dimensions.toStarboard);
    return dimensions;
}

}  // namespace pelora
