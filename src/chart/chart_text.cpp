#include "chart/chart_text.h"

#include <cmath>
#include <cstdlib>

#include "text/number_text.h"

namespace pelora {

namespace {

constexpr int kTextMinutesPerDegree = 60;
constexpr int kMaxMinuteDecimals = 6;
constexpr int kPositionMinuteDecimals = 3;
constexpr int kCpaDistanceDecimals = 2;
constexpr int kCpaTimeDecimals = 1;
constexpr long long kTextHalfTurnDegrees = 180;

long long powerOfTen(int exponent) {
    long long result = 1;
    for (int i = 0; i < exponent; ++i) result *= 10;
    return result;
}

// `value` as it reads with `decimals` decimals, halves up.
double roundedTo(double value, int decimals) {
    return number_from_text(formatDigits(value, 1, decimals));
}

}  // namespace

std::string angleText(double degrees, bool latitude, int minuteDecimals) {
    const int decimals = minuteDecimals < 0 ? 0 : (minuteDecimals > kMaxMinuteDecimals ? kMaxMinuteDecimals : minuteDecimals);
    if (!std::isfinite(degrees)) degrees = 0;
    degrees = std::fmod(degrees, 2 * kTextHalfTurnDegrees);
    const long long perMinute = powerOfTen(decimals);
    const long long perDegree = perMinute * kTextMinutesPerDegree;
    const long long units = std::llround(std::fabs(degrees) * static_cast<double>(perDegree));
    const long long wholeDegrees = units / perDegree;
    const long long minuteUnits = units % perDegree;

    std::string text = std::to_string(wholeDegrees) + "°";
    text += formatDigits(static_cast<double>(minuteUnits / perMinute), 2, 0);
    if (decimals > 0) {
        text += "." + formatDigits(static_cast<double>(minuteUnits % perMinute), decimals, 0);
    }
    text += "'";
    const bool onTheLine = units == 0 || (!latitude && units == kTextHalfTurnDegrees * perDegree);
    if (!onTheLine) {
        if (latitude) text += degrees > 0 ? "N" : "S";
        else text += degrees > 0 ? "E" : "W";
    }
    return text;
}

std::string positionText(GeoPoint position) {
    return angleText(position.lat, true, kPositionMinuteDecimals) + " " +
           angleText(position.lon, false, kPositionMinuteDecimals);
}

std::string cpaText(std::optional<double> cpaNm, std::optional<double> tcpaMinutes) {
    if (!cpaNm || !std::isfinite(*cpaNm)) return {};
    std::string text = "CPA " + formatDigits(*cpaNm, 1, kCpaDistanceDecimals) + " NM";
    if (tcpaMinutes && std::isfinite(*tcpaMinutes)) {
        const std::string minutes = formatDigits(std::fabs(*tcpaMinutes), 1, kCpaTimeDecimals);
        if (*tcpaMinutes < 0 && roundedTo(*tcpaMinutes, kCpaTimeDecimals) != 0) {
            text += " " + minutes + " min ago";
        } else {
            text += " in " + minutes + " min";
        }
    }
    return text;
}

std::string targetLabel(const ChartTarget& target) {
    std::string label = target.name.empty() ? "MMSI " + std::to_string(target.mmsi) : target.name;
    const std::string cpa = cpaText(target.cpaNm, target.tcpaMinutes);
    if (!cpa.empty()) label += "\n" + cpa;
    return label;
}

std::string nauticalMilesText(double nm) { return shortestNumberText(nm) + " NM"; }

std::string waypointText(const RouteWaypoint& waypoint, const std::string& routeName) {
    std::string text = waypoint.name;
    if (!routeName.empty()) text += (text.empty() ? "route " : ", route ") + routeName;
    return text + "\n" + positionText(waypoint.position);
}

std::string draftWaypointName(std::size_t number) { return "WP" + std::to_string(number); }

std::optional<ShownCpa> shownCpa(const ChartTarget& target) {
    if (!target.cpaNm || !std::isfinite(*target.cpaNm)) return std::nullopt;
    ShownCpa shown{roundedTo(*target.cpaNm, kCpaDistanceDecimals), std::nullopt};
    if (target.tcpaMinutes && std::isfinite(*target.tcpaMinutes)) {
        shown.tcpaMinutes = roundedTo(*target.tcpaMinutes, kCpaTimeDecimals);
    }
    return shown;
}

}  // namespace pelora
