// The sentences a navigator sends an autopilot for the active leg of a route: RMB, APB, XTE,
// BWC and BOD. Each gives no line while no route is followed (the fix has no leg). Fields as
// NMEA 0183 consumers read them; bearings are true (the magnetic fields stay empty, as the
// program has no magnetic model); the FAA mode indicator of NMEA 2.3 ends RMB, APB, XTE and BWC.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/fix.h"
#include "nmea/position_format.h"
#include "nmea/sentence_table.h"
#include "text/number_text.h"

namespace pelora {

namespace {

// Waypoint ids are written with at most this many characters: what the older plotters and
// autopilots show, and short enough for RMB to stay within the 82 characters of a sentence.
constexpr std::size_t kRouteWaypointIdChars = 6;
// RMB's cross-track field holds at most 9.99 nautical miles.
constexpr double kRouteRmbLargestCrossTrackNm = 9.99;

std::string routeTalker(const SentenceStyle& style) {
    return style.talker.size() == 2 ? style.talker : std::string("GP");
}

// A waypoint name as a sentence field: printable ASCII only, the characters that delimit
// sentences and fields replaced by "_", at most kRouteWaypointIdChars characters.
std::string routeWaypointId(std::string_view name) {
    std::string id;
    for (const char c : name) {
        if (id.size() == kRouteWaypointIdChars) break;
        const auto code = static_cast<unsigned char>(c);
        const bool reserved = c == ',' || c == '*' || c == '$' || c == '!' || c == '\\' || c == '^' || c == '~';
        id.push_back(code < 0x20 || code > 0x7E || reserved ? '_' : c);
    }
    return id;
}

const char* routeFlag(bool on) { return on ? "A" : "V"; }

// "A" while the receiver has a fix, "V" without one.
const char* routeDataStatus(const Fix& fix) { return routeFlag(fix.state != FixState::NoFix); }

// The FAA mode indicator: autonomous, differential, or not valid.
const char* routeMode(const Fix& fix) {
    switch (fix.state) {
    case FixState::NoFix:
        return "N";
    case FixState::Differential:
        return "D";
    default:
        return "A";
    }
}

const char* routeSteer(SteerDirection steer) { return steer == SteerDirection::Left ? "L" : "R"; }

std::string routeBearing(double degrees) {
    const std::string text = formatDigits(degrees, 3, 1);
    return text == "360.0" ? std::string("000.0") : text;
}

std::string routeCrossTrack(double nm) { return formatDigits(nm, 1, 2); }
std::string routeDistance(double nm) { return formatDigits(nm, 1, 2); }

std::string routePosition(double latitude, double longitude, const Fix& fix) {
    return posformat(latitude, true, fix.decimalPlaces, fix.leadingZeros) + "," +
           posformat(longitude, false, fix.decimalPlaces, fix.leadingZeros);
}

}  // namespace

void composeRMB(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!fix.leg) return;
    const RouteLeg& leg = *fix.leg;
    out.push_back("$" + routeTalker(style) + "RMB," + routeDataStatus(fix) + "," +
                  routeCrossTrack(std::min(leg.crossTrackNm, kRouteRmbLargestCrossTrackNm)) + "," +
                  routeSteer(leg.steer) + "," + routeWaypointId(leg.originName) + "," +
                  routeWaypointId(leg.destinationName) + "," +
                  routePosition(leg.destinationLatitude, leg.destinationLongitude, fix) + "," +
                  routeDistance(leg.distanceToDestinationNm) + "," + routeBearing(leg.bearingToDestination) + "," +
                  formatDigits(leg.closingVelocityKnots, 1, 1) + "," + routeFlag(leg.arrivalCircleEntered) + "," +
                  routeMode(fix));
}

void composeAPB(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!fix.leg) return;
    const RouteLeg& leg = *fix.leg;
    out.push_back("$" + routeTalker(style) + "APB," + routeDataStatus(fix) + ",A," + routeCrossTrack(leg.crossTrackNm) +
                  "," + routeSteer(leg.steer) + ",N," + routeFlag(leg.arrivalCircleEntered) + "," +
                  routeFlag(leg.perpendicularPassed) + "," + routeBearing(leg.bearingOriginToDestination) + ",T," +
                  routeWaypointId(leg.destinationName) + "," + routeBearing(leg.bearingToDestination) + ",T," +
                  routeBearing(leg.headingToSteer) + ",T," + routeMode(fix));
}

void composeXTE(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!fix.leg) return;
    const RouteLeg& leg = *fix.leg;
    out.push_back("$" + routeTalker(style) + "XTE," + routeDataStatus(fix) + ",A," + routeCrossTrack(leg.crossTrackNm) +
                  "," + routeSteer(leg.steer) + ",N," + routeMode(fix));
}

void composeBWC(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!fix.leg) return;
    const RouteLeg& leg = *fix.leg;
    out.push_back("$" + routeTalker(style) + "BWC," + timeText(fix.time) + "," +
                  routePosition(leg.destinationLatitude, leg.destinationLongitude, fix) + "," +
                  routeBearing(leg.bearingToDestination) + ",T,,M," + routeDistance(leg.distanceToDestinationNm) +
                  ",N," + routeWaypointId(leg.destinationName) + "," + routeMode(fix));
}

void composeBOD(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!fix.leg) return;
    const RouteLeg& leg = *fix.leg;
    out.push_back("$" + routeTalker(style) + "BOD," + routeBearing(leg.bearingOriginToDestination) + ",T,,M," +
                  routeWaypointId(leg.destinationName) + "," + routeWaypointId(leg.originName));
}

}  // namespace pelora
