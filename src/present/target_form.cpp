#include "present/target_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "nmea/position_entry.h"
#include "scenario/scenario_parser.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

struct StatusName {
    NavigationStatus status;
    std::string_view name;
};

constexpr std::array kStatusNames{
    StatusName{NavigationStatus::UnderWayUsingEngine, "Under way using engine"},
    StatusName{NavigationStatus::AtAnchor, "At anchor"},
    StatusName{NavigationStatus::NotUnderCommand, "Not under command"},
    StatusName{NavigationStatus::RestrictedManoeuvrability, "Restricted manoeuvrability"},
    StatusName{NavigationStatus::ConstrainedByDraught, "Constrained by her draught"},
    StatusName{NavigationStatus::Moored, "Moored"},
    StatusName{NavigationStatus::Aground, "Aground"},
    StatusName{NavigationStatus::EngagedInFishing, "Engaged in fishing"},
    StatusName{NavigationStatus::UnderWaySailing, "Under way sailing"},
    StatusName{NavigationStatus::AisSartActive, "AIS-SART active"},
    StatusName{NavigationStatus::NotDefined, "Not defined"},
};

constexpr std::array kStatuses = [] {
    std::array<NavigationStatus, kStatusNames.size()> statuses{};
    for (std::size_t i = 0; i < kStatusNames.size(); ++i) statuses[i] = kStatusNames[i].status;
    return statuses;
}();

std::string notA(std::string_view field, const std::string& typed, std::string_view what) {
    return std::string(field) + " \"" + typed + "\": not " + std::string(what);
}

}  // namespace

std::span<const NavigationStatus> navigationStatuses() {
    return kStatuses;
}

std::string_view navigationStatusName(NavigationStatus status) {
    for (const StatusName& known : kStatusNames) {
        if (known.status == status) return known.name;
    }
    return kStatusNames.back().name;
}

std::string_view aisClassName(AisClass aisClass) {
    return aisClass == AisClass::A ? "A" : "B";
}

TargetFields targetFields(const AisTarget& target) {
    TargetFields fields;
    fields.mmsi = std::to_string(target.mmsi);
    fields.name = target.name;
    fields.callSign = target.callSign;
    fields.shipType = std::to_string(target.shipType);
    fields.length = shortestNumberText(target.lengthMetres);
    fields.beam = shortestNumberText(target.beamMetres);
    fields.latitude = positionBoxText(target.lat, true);
    fields.longitude = positionBoxText(target.lon, false);
    fields.course = formatDigits(target.courseDeg, 1, 1);
    fields.speed = formatDigits(target.speedKnots, 1, 1);
    fields.rateOfTurn = formatDigits(target.rateOfTurnDegPerMin, 1, 1);
    fields.status = target.status;
    fields.aisClass = target.aisClass;
    return fields;
}

TargetFields newTargetFields(double lat, double lon) {
    AisTarget target;
    target.lat = std::isfinite(lat) ? lat : 0;
    target.lon = std::isfinite(lon) ? lon : 0;
    TargetFields fields = targetFields(target);
    fields.mmsi.clear();
    return fields;
}

TargetRead readTargetFields(const TargetFields& fields) {
    TargetRead read;
    AisTarget target;
    const std::optional<long long> mmsi = wholeNumber(trim(fields.mmsi));
    if (!mmsi) {
        read.problem = notA("MMSI", fields.mmsi, "a number of nine digits");
        return read;
    }
    if (*mmsi < 0 || *mmsi > std::numeric_limits<std::uint32_t>::max()) {
        read.problem = "MMSI " + std::to_string(*mmsi) + ": must have nine digits (100000000 to 999999999)";
        return read;
    }
    target.mmsi = static_cast<std::uint32_t>(*mmsi);
    target.name = std::string(trim(fields.name));
    target.callSign = std::string(trim(fields.callSign));
    const std::optional<long long> shipType = wholeNumber(trim(fields.shipType));
    if (!shipType || *shipType < std::numeric_limits<int>::min() || *shipType > std::numeric_limits<int>::max()) {
        read.problem = notA("ship type", fields.shipType, "a whole number");
        return read;
    }
    target.shipType = static_cast<int>(*shipType);
    const struct {
        const char* field;
        const std::string& text;
        double& value;
    } numbers[] = {
        {"length", fields.length, target.lengthMetres},
        {"beam", fields.beam, target.beamMetres},
        {"course", fields.course, target.courseDeg},
        {"speed", fields.speed, target.speedKnots},
        {"rate of turn", fields.rateOfTurn, target.rateOfTurnDegPerMin},
    };
    for (const auto& number : numbers) {
        const std::optional<double> value = strictNumberFromText(number.text);
        if (!value) {
            read.problem = notA(number.field, number.text, "a number");
            return read;
        }
        number.value = *value;
    }
    const std::optional<double> lat = typedPosition(trim(fields.latitude), true);
    if (!lat) {
        read.problem = notA("latitude", fields.latitude, "a latitude such as 54N30.0000 or 54.5");
        return read;
    }
    const std::optional<double> lon = typedPosition(trim(fields.longitude), false);
    if (!lon) {
        read.problem = notA("longitude", fields.longitude, "a longitude such as 0001W15.0000 or -1.25");
        return read;
    }
    target.lat = *lat;
    target.lon = *lon;
    target.status = fields.status;
    target.aisClass = fields.aisClass;
    if (std::optional<std::string> problem = checkTarget(target)) {
        read.problem = std::move(*problem);
        return read;
    }
    read.target = std::move(target);
    return read;
}

std::vector<AisTarget> targetsNow(const AisFleet& fleet) {
    std::vector<AisTarget> targets;
    targets.reserve(fleet.size());
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        AisTarget target = fleet.target(i);
        const TargetMotion& motion = fleet.motion(i);
        target.lat = motion.lat();
        target.lon = motion.lon();
        target.courseDeg = motion.courseDeg();
        target.speedKnots = motion.speedKnots();
        target.rateOfTurnDegPerMin = motion.rateOfTurnDegPerMin();
        if (target.headingDeg) target.headingDeg = motion.headingDeg();
        const std::size_t next = std::min(motion.nextWaypoint(), target.route.size());
        std::vector<TargetWaypoint> left(target.route.begin() + static_cast<std::ptrdiff_t>(next), target.route.end());
        if (target.routeRepeats) {
            left.insert(left.end(), target.route.begin(), target.route.begin() + static_cast<std::ptrdiff_t>(next));
        }
        target.route = std::move(left);
        targets.push_back(std::move(target));
    }
    return targets;
}

FleetBuild buildFleet(std::span<const AisTarget> targets) {
    FleetBuild build;
    AisFleet fleet;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (std::optional<std::string> problem = fleet.add(targets[i])) {
            build.problem = "Target " + std::to_string(i + 1) + ": " + *problem;
            return build;
        }
    }
    build.fleet = std::move(fleet);
    return build;
}

}  // namespace pelora
