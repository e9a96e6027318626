#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ais/ais_payload.h"
#include "ais/ais_target.h"

namespace pelora {

// What one position report says (messages 1 and 18), in the ship's own units. A value outside
// what the field holds is sent as the field's nearest value; one that is not finite as "not
// available".
struct PositionReport {
    std::uint32_t mmsi = 0;
    NavigationStatus status = NavigationStatus::NotDefined;  // class A only
    double rateOfTurnDegPerMin = 0;                          // class A only, positive to starboard
    double speedKnots = 0;
    double lat = 0;                                          // signed degrees
    double lon = 0;                                          // signed degrees
    double courseDeg = 0;                                    // over ground
    std::optional<double> headingDeg;                        // true; nothing: not available
    int utcSecond = 60;                                      // 0..59; 60 not available
};

// What the static reports say (message 5, and 24 parts A and B).
struct StaticData {
    std::uint32_t mmsi = 0;
    std::uint32_t imo = 0;
    std::string callSign;
    std::string name;
    int shipType = 0;
    ShipDimensions dimensions;
    Eta eta;
    double draughtMetres = 0;
    std::string destination;
};

// The static data of a target, its dimensions from its length and beam.
StaticData staticDataOf(const AisTarget& target);

// The rate-of-turn field of message 1: 4.733 times the square root of the rate in degrees per
// minute, rounded, with its sign; 126 (708 degrees a minute) or more is sent as 126; a rate
// that is not finite as -128, "no information".
int rateOfTurnField(double degPerMin);

// Message 1, the class A position report: 168 bits.
AisPayload classAPositionReport(const PositionReport& report);

// Message 18, the class B "CS" position report: 168 bits.
AisPayload classBPositionReport(const PositionReport& report);

// Message 5, class A static and voyage data: 424 bits (two sentences).
AisPayload staticAndVoyageData(const StaticData& data);

// Message 24 part A (the name) and part B (type, call sign, dimensions), class B static data:
// 168 bits each.
AisPayload staticDataPartA(const StaticData& data);
AisPayload staticDataPartB(const StaticData& data);

}  // namespace pelora
