#include "present/status_texts.h"

#include <cstdio>

#include "text/number_text.h"

namespace pelora {

namespace {

std::string fixName(FixState state) {
    switch (state) {
    case FixState::NoFix: return "No fix";
    case FixState::Fix2D: return "2D fix";
    case FixState::Fix3D: return "3D fix";
    case FixState::Differential: return "Differential fix";
    }
    return "No fix";
}

std::string clockText(std::chrono::seconds span) {
    const long long total = span.count() < 0 ? 0 : span.count();
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

}  // namespace

std::string fixStateText(const Fix& fix) {
    std::string text = fixName(fix.state) + ", " + std::to_string(fix.satellitesUsed) +
                       (fix.satellitesUsed == 1 ? " satellite used" : " satellites used");
    if (fix.state != FixState::NoFix) {
        text += ", HDOP " + formatDigits(fix.dop.hdop, 1, 1);
    }
    return text;
}

std::string statusToolTip(const std::string& portTip, const std::string& fixText, const std::string& faultCounts) {
    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!part.empty()) text += (text.empty() ? "" : "\n") + part;
    };
    add(portTip);
    add(fixText);
    add(faultCounts.empty() ? std::string() : "Faults injected: " + faultCounts);
    return text;
}

std::string routeProgressText(const RouteFollower& route) {
    const FollowerState state = route.state();
    std::string text = state.routeName.empty() ? std::string("Route") : "Route " + state.routeName;
    if (state.finished) {
        return text + ": arrived";
    }
    text += ": leg " + std::to_string(state.activeWaypoint + 1) + " of " + std::to_string(state.waypointCount);
    if (route.leg() && state.activeWaypoint < route.route().waypoints.size()) {
        // An unnamed waypoint goes by its number, as the route sentences name it.
        std::string name = route.route().waypoints[state.activeWaypoint].name;
        if (name.empty()) {
            char number[24];
            std::snprintf(number, sizeof number, "%03zu", state.activeWaypoint + 1);
            name = number;
        }
        text += " to " + name + ", " + formatDigits(state.distanceToEndNm, 1, 2) + " NM to go";
    }
    return text;
}

std::string scenarioProgressText(const std::string& name, std::chrono::seconds elapsed,
                                 std::optional<std::chrono::seconds> end) {
    std::string text = "Scenario " + name + ": " + clockText(elapsed);
    if (end) text += " of " + clockText(*end);
    return text;
}

std::string progressLineText(const std::string& scenarioProgress, const std::string& routeProgress) {
    if (scenarioProgress.empty()) return routeProgress;
    if (routeProgress.empty()) return scenarioProgress;
    return scenarioProgress + "; " + routeProgress;
}

std::string scenarioRefusalText(const std::vector<SourceError>& errors) {
    std::string text;
    for (const SourceError& error : errors) {
        text += error.text() + "\n";
    }
    return text + "The scenario was not run.";
}

std::string budgetText(const std::string& lastNote, int baud) {
    if (baud <= 0) {
        return "No serial line runs: every sentence goes out.";
    }
    if (lastNote.empty()) {
        return "At " + std::to_string(baud) + " baud nothing has been left out so far.";
    }
    return lastNote;
}

}  // namespace pelora
