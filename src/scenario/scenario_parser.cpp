#include "scenario/scenario_parser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>

#include <toml++/toml.h>

#include "nmea/position_entry.h"
#include "scenario/calendar.h"
#include "scenario/gpx.h"
#include "scenario/name_match.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

using std::chrono::seconds;

constexpr std::string_view kTopKeys[] = {"start", "route", "event", "target"};
constexpr std::string_view kTargetKeys[] = {"mmsi",        "name",     "call_sign", "type",         "imo",
                                            "class",       "length",   "beam",      "destination",  "draught",
                                            "latitude",    "longitude", "course",   "speed",        "rate_of_turn",
                                            "heading",     "status",   "route",     "arrival_circle_nm", "repeat"};
constexpr std::string_view kTargetPointKeys[] = {"lat", "lon"};
struct StatusName {
    std::string_view name;
    NavigationStatus status;
};
constexpr StatusName kStatusNames[] = {
    {"under way", NavigationStatus::UnderWayUsingEngine}, {"at anchor", NavigationStatus::AtAnchor},
    {"not under command", NavigationStatus::NotUnderCommand},
    {"restricted manoeuvrability", NavigationStatus::RestrictedManoeuvrability},
    {"constrained by draught", NavigationStatus::ConstrainedByDraught}, {"moored", NavigationStatus::Moored},
    {"aground", NavigationStatus::Aground}, {"fishing", NavigationStatus::EngagedInFishing},
    {"sailing", NavigationStatus::UnderWaySailing}};
constexpr double kLargestTargetTurnDegPerMin = 708;
constexpr std::string_view kStartKeys[] = {"latitude", "longitude", "time",   "speed",
                                           "course",   "profile",   "talker", "seed"};
constexpr std::string_view kRouteKeys[] = {"gpx", "waypoints", "name", "arrival_circle_nm"};
constexpr std::string_view kWaypointKeys[] = {"name", "lat", "lon"};
constexpr std::string_view kActionKeys[] = {"speed",    "course",      "rate_of_turn", "sea_state", "gps_noise",
                                            "profile",  "talker",      "fix",          "sky_mask",  "hdop_factor",
                                            "clock_step", "fault",     "end"};
constexpr std::string_view kEventKeys[] = {"at",       "speed",       "course",     "rate_of_turn", "sea_state",
                                           "gps_noise", "profile",    "talker",     "fix",          "sky_mask",
                                           "hdop_factor", "clock_step", "fault",    "end",          "duration",
                                           "every"};
constexpr std::string_view kSkyMaskKeys[] = {"azimuth_from", "azimuth_to", "elevation_below"};

constexpr double kFastestKnots = 100;
constexpr double kFullCircleDegrees = 360;
constexpr double kFastestTurnDegreesPerSecond = 30;
constexpr double kLargestSeaMetres = 100;
constexpr double kLargestNoiseMetres = 1000;
constexpr double kLargestHdopFactor = 100;
constexpr double kLargestArrivalCircleNm = 10;
constexpr double kZenithDegrees = 90;
constexpr std::int64_t kLargestClockStepSeconds = 1024LL * 7 * 86400;
constexpr int kClockSecondsPerMinute = 60;
constexpr int kClockSecondsPerHour = 3600;

std::string scenarioTooLargeMessage() {
    return "the file is larger than " + std::to_string(kMaxScenarioBytes / 1024U) +
           " KiB, the most a scenario file may hold";
}

// "00:05:00" for messages.
std::string clockText(seconds at) {
    const long long total = at.count();
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / kClockSecondsPerHour,
                  total % kClockSecondsPerHour / kClockSecondsPerMinute, total % kClockSecondsPerMinute);
    return text;
}

std::string typeName(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string:
        return "a text";
    case toml::node_type::integer:
    case toml::node_type::floating_point:
        return "a number";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::table:
        return "a table";
    case toml::node_type::array:
        return "a list";
    default:
        return "a date or time";
    }
}

int lineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

std::string listText(std::span<const std::string_view> names) {
    std::string text;
    for (const std::string_view name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// "hh:mm:ss" with any number of hour digits and two each for minutes and seconds below 60.
std::optional<seconds> clockTimeFromText(std::string_view text) {
    const std::size_t first = text.find(':');
    if (first == std::string_view::npos || first == 0 || text.size() != first + 6 || text[first + 3] != ':') {
        return std::nullopt;
    }
    const auto hours = wholeNumber(text.substr(0, first));
    const auto minutes = wholeNumber(text.substr(first + 1, 2));
    const auto secondsPart = wholeNumber(text.substr(first + 4, 2));
    if (!hours || !minutes || !secondsPart || *hours < 0 || text[0] == '-' || !isDigit(text[first + 1]) ||
        !isDigit(text[first + 4]) || *minutes >= kClockSecondsPerMinute || *secondsPart >= kClockSecondsPerMinute ||
        *hours > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return seconds(*hours * kClockSecondsPerHour + *minutes * kClockSecondsPerMinute + *secondsPart);
}

class ScenarioParser {
public:
    ScenarioParser(const std::string& path, const FileSource& files) : m_path(path), m_files(files) {}

    ScenarioRead parse(std::string_view text) {
        ScenarioRead read;
        if (text.size() > kMaxScenarioBytes) {
            fail(0, scenarioTooLargeMessage());
        } else {
            toml::table root;
            try {
                root = toml::parse(text, m_path);
            } catch (const toml::parse_error& error) {
                fail(static_cast<int>(error.source().begin.line),
                     "not a scenario file: the TOML is not well formed (" + std::string(error.description()) + ")");
            }
            if (m_errors.empty()) readRoot(root);
        }
        if (m_errors.empty()) {
            read.scenario = std::move(m_scenario);
        } else {
            std::stable_sort(m_errors.begin(), m_errors.end(),
                             [](const SourceError& a, const SourceError& b) { return a.line < b.line; });
            read.errors = std::move(m_errors);
        }
        return read;
    }

private:
    void fail(int line, std::string message) { m_errors.push_back(SourceError{m_path, line, std::move(message)}); }

    void checkKeys(const toml::table& table, std::span<const std::string_view> allowed, std::string_view where) {
        for (const auto& [key, node] : table) {
            if (std::find(allowed.begin(), allowed.end(), key.str()) != allowed.end()) continue;
            fail(static_cast<int>(key.source().begin.line),
                 "unknown key '" + std::string(key.str()) + "'" + std::string(where) + didYouMean(key.str(), allowed));
        }
    }

    const toml::table* tableAt(const toml::table& parent, std::string_view key) {
        const toml::node* node = parent.get(key);
        if (node == nullptr) return nullptr;
        if (const toml::table* table = node->as_table()) return table;
        fail(lineOf(*node), std::string(key) + " must be a table ([" + std::string(key) + "]), not " + typeName(*node));
        return nullptr;
    }

    // A number within [low, high]; `what` names the unit for the messages.
    std::optional<double> number(const toml::node& node, std::string_view key, double low, double high,
                                 std::string_view unit) {
        std::optional<double> value;
        if (const auto* integer = node.as_integer()) value = static_cast<double>(integer->get());
        if (const auto* floating = node.as_floating_point()) value = floating->get();
        if (!value) {
            fail(lineOf(node), std::string(key) + " must be a number (" + std::string(unit) + "), not " + typeName(node));
            return std::nullopt;
        }
        if (!std::isfinite(*value) || *value < low || *value > high) {
            fail(lineOf(node), std::string(key) + " " + shortestNumberText(*value) + " is out of range: give " +
                                   shortestNumberText(low) + " to " + shortestNumberText(high) + " " +
                                   std::string(unit));
            return std::nullopt;
        }
        return value;
    }

    std::optional<std::string> textOf(const toml::node& node, std::string_view key) {
        if (const auto* text = node.as_string()) return text->get();
        fail(lineOf(node), std::string(key) + " must be a text in quotes, not " + typeName(node));
        return std::nullopt;
    }

    std::optional<double> position(const toml::node& node, std::string_view key, bool latitude) {
        const double largest = latitude ? kLargestLatitude : kLargestLongitude;
        if (node.is_number()) return number(node, key, -largest, largest, "degrees");
        const auto text = textOf(node, key);
        if (!text) return std::nullopt;
        const auto value = typedPosition(*text, latitude);
        if (!value) {
            fail(lineOf(node), std::string(key) + " \"" + *text + "\" is not a " +
                                   (latitude ? "latitude: give signed degrees (54.5, -12.25) or degrees, N or S and "
                                               "minutes (54N30.0000), up to 90"
                                             : "longitude: give signed degrees (-1.25, 120.5) or degrees, E or W and "
                                               "minutes (0001W15.0000), up to 180"));
        }
        return value;
    }

    std::optional<ScenarioProfile> profile(const toml::node& node) {
        const auto text = textOf(node, "profile");
        if (!text) return std::nullopt;
        for (const std::string_view name : kScenarioProfileNames) {
            if (sameIgnoringCase(name, *text)) return scenarioProfileFromName(name);
        }
        fail(lineOf(node), "unknown profile '" + *text + "'" + didYouMean(*text, kScenarioProfileNames) +
                               "; the profiles are " + listText(kScenarioProfileNames));
        return std::nullopt;
    }

    std::optional<std::string> talker(const toml::node& node) {
        const auto text = textOf(node, "talker");
        if (!text) return std::nullopt;
        for (const std::string_view name : kScenarioTalkers) {
            if (sameIgnoringCase(name, *text)) return std::string(name);
        }
        fail(lineOf(node), "unknown talker '" + *text + "'; the talkers are " + listText(kScenarioTalkers));
        return std::nullopt;
    }

    // Whole seconds from the start, or "hh:mm:ss"; `least` is 0 for a time, 1 for a duration.
    std::optional<seconds> timeSpan(const toml::node& node, std::string_view key, long long least) {
        std::optional<seconds> value;
        if (const auto* integer = node.as_integer()) {
            value = seconds(integer->get());
        } else if (const auto* text = node.as_string()) {
            value = clockTimeFromText(text->get());
            if (!value) {
                fail(lineOf(node), std::string(key) + " \"" + text->get() +
                                       "\" is not a time: give hh:mm:ss (00:05:00) or whole seconds (300)");
                return std::nullopt;
            }
        } else {
            fail(lineOf(node), std::string(key) + " must be whole seconds (300) or \"hh:mm:ss\", not " +
                                   (node.is_floating_point() ? std::string("a fraction") : typeName(node)));
            return std::nullopt;
        }
        if (value->count() < least || *value > kLatestEventAt) {
            fail(lineOf(node), std::string(key) + " " + std::to_string(value->count()) +
                                   " is out of range: give " + std::to_string(least) + " to " +
                                   std::to_string(kLatestEventAt.count()) + " seconds (" +
                                   clockText(kLatestEventAt) + ")");
            return std::nullopt;
        }
        return value;
    }

    void readRoot(const toml::table& root) {
        checkKeys(root, kTopKeys, "");
        if (const toml::table* start = tableAt(root, "start")) readStart(*start);
        if (const toml::table* route = tableAt(root, "route")) readRoute(*route);
        if (const toml::node* events = root.get("event")) readEvents(*events);
        if (const toml::node* targets = root.get("target")) readTargets(*targets);
        if (!m_scenario.start.position && m_scenario.route) {
            const Waypoint& first = m_scenario.route->waypoints.front();
            m_scenario.start.position = GeoPosition{first.latitude, first.longitude};
        }
    }

    void readStart(const toml::table& start) {
        checkKeys(start, kStartKeys, " in [start]");
        ScenarioStart& out = m_scenario.start;
        const toml::node* latitude = start.get("latitude");
        const toml::node* longitude = start.get("longitude");
        if ((latitude == nullptr) != (longitude == nullptr)) {
            fail(lineOf(latitude != nullptr ? *latitude : *longitude),
                 "give both latitude and longitude in [start], or neither");
        } else if (latitude != nullptr) {
            const auto lat = position(*latitude, "latitude", true);
            const auto lon = position(*longitude, "longitude", false);
            if (lat && lon) out.position = GeoPosition{*lat, *lon};
        }
        if (const toml::node* time = start.get("time")) readTime(*time);
        if (const toml::node* speed = start.get("speed")) out.speedKnots = number(*speed, "speed", 0, kFastestKnots, "knots");
        if (const toml::node* course = start.get("course")) {
            out.courseDegrees = number(*course, "course", 0, kFullCircleDegrees, "degrees");
        }
        if (const toml::node* name = start.get("profile")) out.profile = profile(*name);
        if (const toml::node* name = start.get("talker")) out.talker = talker(*name);
        if (const toml::node* seed = start.get("seed")) {
            const auto* integer = seed->as_integer();
            if (integer == nullptr || integer->get() < 0) {
                fail(lineOf(*seed), "seed must be a whole number, 0 or more, not " +
                                        (integer != nullptr ? std::to_string(integer->get()) : typeName(*seed)));
            } else {
                out.seed = static_cast<std::uint64_t>(integer->get());
            }
        }
    }

    void readTime(const toml::node& node) {
        std::optional<DateTime> utc;
        if (const auto* text = node.as_string()) {
            utc = parseIsoUtc(text->get());
        } else if (const auto* stamp = node.as_date_time()) {
            const toml::date_time& value = stamp->get();
            if (value.offset && value.time.nanosecond == 0) {
                const DateTime local{value.date.year, value.date.month, value.date.day,
                                     value.time.hour, value.time.minute, value.time.second};
                if (isValidDateTime(local)) {
                    utc = addSeconds(local, seconds(-value.offset->minutes * kClockSecondsPerMinute));
                    if (!isValidDateTime(*utc)) utc.reset();
                }
            }
        }
        if (!utc) {
            fail(lineOf(node), "time must be a UTC date and time to the second, such as 2026-06-01T08:00:00Z");
            return;
        }
        m_scenario.start.utc = *utc;
    }

    void readRoute(const toml::table& table) {
        checkKeys(table, kRouteKeys, " in [route]");
        const toml::node* gpx = table.get("gpx");
        const toml::node* waypoints = table.get("waypoints");
        if ((gpx == nullptr) == (waypoints == nullptr)) {
            fail(lineOf(table), gpx == nullptr ? "[route] needs gpx (a GPX file) or waypoints (a list)"
                                               : "[route] takes gpx or waypoints, not both");
            return;
        }
        std::optional<Route> route = gpx != nullptr ? routeFromGpx(*gpx) : routeFromWaypoints(*waypoints);
        if (const toml::node* name = table.get("name")) {
            const auto text = textOf(*name, "name");
            if (text && route) route->name = *text;
        }
        if (const toml::node* circle = table.get("arrival_circle_nm")) {
            const auto radius = number(*circle, "arrival_circle_nm", 0, kLargestArrivalCircleNm, "nautical miles");
            if (radius && *radius <= 0) {
                fail(lineOf(*circle), "arrival_circle_nm must be above 0 nautical miles");
            } else if (radius) {
                m_scenario.arrivalCircleNm = *radius;
            }
        }
        m_scenario.route = std::move(route);
    }

    std::optional<Route> routeFromGpx(const toml::node& node) {
        const auto name = textOf(node, "gpx");
        if (!name) return std::nullopt;
        const std::string path = !name->empty() && name->front() == '/' ? *name : folderOf(m_path) + "/" + *name;
        GpxRead read = readGpxFile(path, m_files);
        if (!read.route) {
            fail(lineOf(node), "the route file is not a usable GPX file: " + read.error.text());
            return std::nullopt;
        }
        return std::move(read.route);
    }

    std::optional<Route> routeFromWaypoints(const toml::node& node) {
        const toml::array* list = node.as_array();
        if (list == nullptr || list->empty()) {
            fail(lineOf(node), "waypoints must be a list of { name = ..., lat = ..., lon = ... }, not " +
                                   (list != nullptr ? std::string("an empty list") : typeName(node)));
            return std::nullopt;
        }
        Route route;
        bool complete = true;
        for (const toml::node& item : *list) {
            const toml::table* point = item.as_table();
            if (point == nullptr) {
                fail(lineOf(item), "a waypoint must be a table { name = ..., lat = ..., lon = ... }, not " + typeName(item));
                complete = false;
                continue;
            }
            checkKeys(*point, kWaypointKeys, " in a waypoint");
            const toml::node* lat = point->get("lat");
            const toml::node* lon = point->get("lon");
            if (lat == nullptr || lon == nullptr) {
                fail(lineOf(item), std::string("the waypoint has no ") + (lat == nullptr ? "lat" : "lon"));
                complete = false;
                continue;
            }
            Waypoint waypoint;
            if (const toml::node* name = point->get("name")) waypoint.name = textOf(*name, "name").value_or("");
            const auto latitude = position(*lat, "lat", true);
            const auto longitude = position(*lon, "lon", false);
            if (!latitude || !longitude) {
                complete = false;
                continue;
            }
            waypoint.latitude = *latitude;
            waypoint.longitude = *longitude;
            route.waypoints.push_back(std::move(waypoint));
        }
        if (!complete) return std::nullopt;
        return route;
    }

    void readTargets(const toml::node& node) {
        const toml::array* list = node.as_array();
        if (list == nullptr || !list->is_array_of_tables()) {
            fail(lineOf(node), "write the AIS targets as [[target]] tables, one for each target");
            return;
        }
        for (const toml::node& item : *list) {
            const toml::table& table = *item.as_table();
            if (std::optional<AisTarget> target = readTarget(table)) {
                const bool taken = std::any_of(m_scenario.targets.begin(), m_scenario.targets.end(),
                                               [&target](const AisTarget& other) { return other.mmsi == target->mmsi; });
                if (taken) {
                    fail(lineOf(table), "another target has the MMSI " + std::to_string(target->mmsi));
                } else {
                    m_scenario.targets.push_back(std::move(*target));
                }
            }
        }
    }

    // One [[target]]: who it is, where it starts and how it moves; checked as AIS sends it.
    std::optional<AisTarget> readTarget(const toml::table& table) {
        checkKeys(table, kTargetKeys, " in a [[target]]");
        const std::size_t errorsBefore = m_errors.size();
        AisTarget target;
        const auto whole = [&](const char* key, long long lowest, long long highest) -> std::optional<long long> {
            const toml::node* node = table.get(key);
            if (node == nullptr) return std::nullopt;
            const auto* integer = node->as_integer();
            if (integer == nullptr || integer->get() < lowest || integer->get() > highest) {
                fail(lineOf(*node), std::string(key) + " must be a whole number from " + std::to_string(lowest) + " to " +
                                        std::to_string(highest));
                return std::nullopt;
            }
            return integer->get();
        };
        const auto text = [&](const char* key) -> std::string {
            const toml::node* node = table.get(key);
            return node == nullptr ? std::string() : textOf(*node, key).value_or("");
        };
        const auto real = [&](const char* key, double low, double high, const char* unit) -> std::optional<double> {
            const toml::node* node = table.get(key);
            return node == nullptr ? std::nullopt : number(*node, key, low, high, unit);
        };
        constexpr long long kSmallestMmsi = 100000000;
        constexpr long long kLargestMmsi = 999999999;
        if (table.get("mmsi") == nullptr) fail(lineOf(table), "a [[target]] needs its mmsi (nine digits)");
        target.mmsi = static_cast<std::uint32_t>(whole("mmsi", kSmallestMmsi, kLargestMmsi).value_or(0));
        target.name = text("name");
        target.callSign = text("call_sign");
        target.destination = text("destination");
        target.shipType = static_cast<int>(whole("type", 0, 99).value_or(0));
        target.imo = static_cast<std::uint32_t>(whole("imo", 0, 9999999).value_or(0));
        if (const toml::node* kind = table.get("class")) {
            const auto value = textOf(*kind, "class");
            if (value && sameIgnoringCase(*value, "B")) {
                target.aisClass = AisClass::B;
            } else if (value && !sameIgnoringCase(*value, "A")) {
                fail(lineOf(*kind), "class must be \"A\" or \"B\", not \"" + *value + "\"");
            }
        }
        target.lengthMetres = real("length", 0, 1022, "metres").value_or(0);
        target.beamMetres = real("beam", 0, 126, "metres").value_or(0);
        target.draughtMetres = real("draught", 0, 25.5, "metres").value_or(0);
        const toml::node* latitude = table.get("latitude");
        const toml::node* longitude = table.get("longitude");
        if (latitude == nullptr || longitude == nullptr) {
            fail(lineOf(table), "a [[target]] needs its latitude and longitude");
        } else {
            target.lat = position(*latitude, "latitude", true).value_or(0);
            target.lon = position(*longitude, "longitude", false).value_or(0);
        }
        target.courseDeg = real("course", 0, kFullCircleDegrees, "degrees").value_or(0);
        target.speedKnots = real("speed", 0, kFastestKnots, "knots").value_or(0);
        target.rateOfTurnDegPerMin =
            real("rate_of_turn", -kLargestTargetTurnDegPerMin, kLargestTargetTurnDegPerMin, "degrees a minute")
                .value_or(0);
        target.headingDeg = real("heading", 0, kFullCircleDegrees, "degrees");
        if (const toml::node* status = table.get("status")) {
            const auto value = textOf(*status, "status");
            const auto known = std::find_if(std::begin(kStatusNames), std::end(kStatusNames),
                                            [&value](const StatusName& entry) { return value && sameIgnoringCase(entry.name, *value); });
            if (known != std::end(kStatusNames)) {
                target.status = known->status;
            } else if (value) {
                std::string names;
                for (const StatusName& entry : kStatusNames) names += (names.empty() ? "" : ", ") + std::string(entry.name);
                fail(lineOf(*status), "unknown status \"" + *value + "\"; the statuses are " + names);
            }
        }
        if (const toml::node* route = table.get("route")) {
            const toml::array* points = route->as_array();
            if (points == nullptr || points->empty()) {
                fail(lineOf(*route), "a target's route must be a list of { lat = ..., lon = ... }");
            } else {
                for (const toml::node& point : *points) {
                    const toml::table* place = point.as_table();
                    if (place == nullptr || place->get("lat") == nullptr || place->get("lon") == nullptr) {
                        fail(lineOf(point), "a point of a target's route needs lat and lon");
                        continue;
                    }
                    checkKeys(*place, kTargetPointKeys, " in a target's route");
                    target.route.push_back(TargetWaypoint{position(*place->get("lat"), "lat", true).value_or(0),
                                                          position(*place->get("lon"), "lon", false).value_or(0)});
                }
            }
        }
        if (const auto circle = real("arrival_circle_nm", 0, kLargestArrivalCircleNm, "nautical miles")) {
            if (*circle > 0) target.arrivalRadiusNm = *circle;
        }
        if (const toml::node* repeat = table.get("repeat")) {
            if (const auto* flag = repeat->as_boolean()) {
                target.routeRepeats = flag->get();
            } else {
                fail(lineOf(*repeat), "repeat must be true or false, not " + typeName(*repeat));
            }
        }
        if (m_errors.size() != errorsBefore) return std::nullopt;
        if (const std::optional<std::string> problem = checkTarget(target)) {
            fail(lineOf(table), "the target cannot be sent: " + *problem);
            return std::nullopt;
        }
        return target;
    }

    void readEvents(const toml::node& node) {
        const toml::array* list = node.as_array();
        if (list == nullptr || !list->is_array_of_tables()) {
            fail(lineOf(node), "write the events as [[event]] tables, one for each event");
            return;
        }
        std::optional<ScenarioEvent> previous;
        for (const toml::node& item : *list) {
            auto event = readEvent(*item.as_table());
            if (!event) continue;
            if (previous && event->at < previous->at) {
                fail(event->line, "the event at " + clockText(event->at) + " comes after the one at " +
                                      clockText(previous->at) + " (line " + std::to_string(previous->line) +
                                      "): list the events in time order");
            }
            if (m_scenario.end && event->at > *m_scenario.end) {
                fail(event->line, "the event at " + clockText(event->at) + " comes after the end of the run at " +
                                      clockText(*m_scenario.end));
            }
            if (std::holds_alternative<action::EndRun>(event->action)) {
                if (m_scenario.end) {
                    fail(event->line, "the run has two ends: keep one end = true");
                } else {
                    m_scenario.end = event->at;
                }
            }
            previous = event;
            m_scenario.events.push_back(std::move(*event));
        }
    }

    std::optional<ScenarioEvent> readEvent(const toml::table& table) {
        checkKeys(table, kEventKeys, " in [[event]]");
        ScenarioEvent event;
        event.line = lineOf(table);
        const toml::node* at = table.get("at");
        if (at == nullptr) {
            fail(event.line, "the event has no time: give at = \"hh:mm:ss\" or whole seconds");
            return std::nullopt;
        }
        const auto when = timeSpan(*at, "at", 0);
        std::vector<std::string_view> actions;
        for (const std::string_view key : kActionKeys) {
            if (table.contains(key)) actions.push_back(key);
        }
        if (actions.size() != 1) {
            fail(event.line, actions.empty() ? "the event has no action: give one of " + listText(kActionKeys)
                                             : "the event has " + std::to_string(actions.size()) + " actions (" +
                                                   listText(actions) + "): give each its own [[event]]");
            return std::nullopt;
        }
        const std::string_view key = actions.front();
        for (const std::string_view companion : {std::string_view("duration"), std::string_view("every")}) {
            if (key != "fault" && table.contains(companion)) {
                fail(lineOf(*table.get(companion)), std::string(companion) + " belongs to a fault event only");
                return std::nullopt;
            }
        }
        auto action = readAction(key, *table.get(key), table, when.value_or(seconds(0)));
        if (!when || !action) return std::nullopt;
        event.at = *when;
        event.action = std::move(*action);
        return event;
    }

    std::optional<ScenarioAction> readAction(std::string_view key, const toml::node& node, const toml::table& event,
                                             seconds at) {
        if (key == "speed") {
            if (auto v = number(node, key, 0, kFastestKnots, "knots")) return action::SetSpeed{*v};
        } else if (key == "course") {
            if (auto v = number(node, key, 0, kFullCircleDegrees, "degrees")) return action::SetCourse{*v};
        } else if (key == "rate_of_turn") {
            if (auto v = number(node, key, -kFastestTurnDegreesPerSecond, kFastestTurnDegreesPerSecond,
                                "degrees a second")) {
                return action::SetRateOfTurn{*v};
            }
        } else if (key == "sea_state") {
            if (auto v = number(node, key, 0, kLargestSeaMetres, "metres")) return action::SetSeaState{*v};
        } else if (key == "gps_noise") {
            if (auto v = number(node, key, 0, kLargestNoiseMetres, "metres")) return action::SetGpsNoise{*v};
        } else if (key == "profile") {
            if (auto v = profile(node)) return action::ChangeProfile{*v};
        } else if (key == "talker") {
            if (auto v = talker(node)) return action::ChangeTalker{*v};
        } else if (key == "fix") {
            const auto text = textOf(node, key);
            if (text && *text == "lost") return action::LoseFix{};
            if (text && *text == "regained") return action::RegainFix{};
            if (text) fail(lineOf(node), "fix must be \"lost\" or \"regained\", not \"" + *text + "\"");
        } else if (key == "sky_mask") {
            return skyMask(node);
        } else if (key == "hdop_factor") {
            if (auto v = number(node, key, 1, kLargestHdopFactor, "times")) return action::DegradeHdop{*v};
        } else if (key == "clock_step") {
            const auto* integer = node.as_integer();
            if (integer == nullptr || std::llabs(integer->get()) > kLargestClockStepSeconds) {
                fail(lineOf(node), "clock_step must be whole seconds from -" + std::to_string(kLargestClockStepSeconds) +
                                       " to " + std::to_string(kLargestClockStepSeconds) + " (1024 weeks), not " +
                                       (integer != nullptr ? std::to_string(integer->get()) : typeName(node)));
            } else {
                return action::StepClock{seconds(integer->get())};
            }
        } else if (key == "fault") {
            return fault(node, event, at);
        } else if (key == "end") {
            const auto* flag = node.as_boolean();
            if (flag != nullptr && flag->get()) return action::EndRun{};
            fail(lineOf(node), "end must be true, the run ending at the event's time");
        }
        return std::nullopt;
    }

    std::optional<ScenarioAction> skyMask(const toml::node& node) {
        if (const auto* text = node.as_string(); text != nullptr && text->get() == "clear") {
            return action::ClearSkyMask{};
        }
        const toml::table* table = node.as_table();
        if (table == nullptr) {
            fail(lineOf(node), "sky_mask must be { azimuth_from = ..., azimuth_to = ..., elevation_below = ... } "
                               "or \"clear\"");
            return std::nullopt;
        }
        checkKeys(*table, kSkyMaskKeys, " in sky_mask");
        std::optional<double> values[3];
        const double largest[3] = {kFullCircleDegrees, kFullCircleDegrees, kZenithDegrees};
        for (std::size_t i = 0; i < 3; ++i) {
            if (const toml::node* value = table->get(kSkyMaskKeys[i])) {
                values[i] = number(*value, kSkyMaskKeys[i], 0, largest[i], "degrees");
            } else {
                fail(lineOf(node), "sky_mask needs " + std::string(kSkyMaskKeys[i]));
            }
        }
        if (!values[0] || !values[1] || !values[2]) return std::nullopt;
        return action::MaskSky{*values[0], *values[1], *values[2]};
    }

    std::optional<ScenarioAction> fault(const toml::node& node, const toml::table& event, seconds at) {
        const auto name = textOf(node, "fault");
        if (!name) return std::nullopt;
        const auto kind = faultKindFromName(*name);
        if (!kind) {
            std::vector<std::string_view> names;
            for (std::size_t i = 0; i < kFaultKindCount; ++i) names.push_back(faultName(static_cast<FaultKind>(i)));
            fail(lineOf(node), "unknown fault '" + *name + "'" + didYouMean(*name, names) + "; the faults are " +
                                   faultNameList());
            return std::nullopt;
        }
        FaultSetting setting;
        setting.kind = *kind;
        setting.from = at;
        bool good = true;
        if (const toml::node* duration = event.get("duration")) {
            const auto span = timeSpan(*duration, "duration", 1);
            if (span) setting.until = at + *span;
            good = span.has_value();
        }
        if (const toml::node* every = event.get("every")) {
            const auto* integer = every->as_integer();
            if (integer == nullptr || integer->get() < 1 || integer->get() > kLargestFaultEvery) {
                fail(lineOf(*every), "every must be a whole number from 1 to " + std::to_string(kLargestFaultEvery) +
                                         ", not " +
                                         (integer != nullptr ? std::to_string(integer->get()) : typeName(*every)));
                good = false;
            } else {
                setting.every = static_cast<std::uint32_t>(integer->get());
            }
        }
        if (!good) return std::nullopt;
        return action::SwitchFault{setting};
    }

    const std::string& m_path;
    const FileSource& m_files;
    Scenario m_scenario;
    std::vector<SourceError> m_errors;
};

}  // namespace

std::string_view scenarioProfileName(ScenarioProfile profile) {
    return kScenarioProfileNames[static_cast<std::size_t>(profile)];
}

std::optional<ScenarioProfile> scenarioProfileFromName(std::string_view name) {
    const auto found = std::find(kScenarioProfileNames.begin(), kScenarioProfileNames.end(), name);
    if (found == kScenarioProfileNames.end()) return std::nullopt;
    return static_cast<ScenarioProfile>(found - kScenarioProfileNames.begin());
}

std::optional<double> typedPosition(std::string_view text, bool latitude) {
    text = trim(text);
    const double largest = latitude ? kLargestLatitude : kLargestLongitude;
    // Signed decimal degrees are taken exactly; the window's forms as the window reads them.
    if (const auto value = strictNumberFromText(text)) {
        if (std::isfinite(*value) && std::fabs(*value) <= largest) return value;
        return std::nullopt;
    }
    const std::optional<std::string> boxText = exactPositionText(text, latitude);
    if (!boxText) return std::nullopt;
    const double value = latitude ? User_lat(*boxText) : user_lon(*boxText);
    if (std::fabs(value) > largest) return std::nullopt;
    return value;
}

ScenarioRead parseScenario(std::string_view text, const std::string& path, const FileSource& files) {
    return ScenarioParser(path, files).parse(text);
}

ScenarioRead readScenarioFile(const std::string& path, const FileSource& files) {
    const FileText file = files.read(path, kMaxScenarioBytes);
    if (file.tooLarge) return ScenarioRead{std::nullopt, {SourceError{path, 0, scenarioTooLargeMessage()}}};
    if (!file.error.empty()) return ScenarioRead{std::nullopt, {SourceError{path, 0, "cannot be read: " + file.error}}};
    return parseScenario(file.bytes, path, files);
}

}  // namespace pelora
