#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelora {

// The two kinds of shipborne AIS station: class A (SOLAS ships: messages 1 and 5) and class B
// "CS" (small craft: messages 18 and 24).
enum class AisClass { A, B };

// The navigational status a class A station reports (message 1, 4 bits).
enum class NavigationStatus : std::uint8_t {
    UnderWayUsingEngine = 0,
    AtAnchor = 1,
    NotUnderCommand = 2,
    RestrictedManoeuvrability = 3,
    ConstrainedByDraught = 4,
    Moored = 5,
    Aground = 6,
    EngagedInFishing = 7,
    UnderWaySailing = 8,
    AisSartActive = 14,
    NotDefined = 15,
};

// A point a target steers for, signed degrees.
struct TargetWaypoint {
    double lat = 0;
    double lon = 0;
};

// The position of the reference point (the GNSS antenna) in whole metres from the bow (A),
// the stern (B), port (C) and starboard (D), as messages 5 and 24 carry it; all 0 when the
// size is not known.
struct ShipDimensions {
    int toBow = 0;
    int toStern = 0;
    int toPort = 0;
    int toStarboard = 0;

    friend bool operator==(const ShipDimensions&, const ShipDimensions&) = default;
};

// An estimated time of arrival (UTC) as message 5 carries it; the defaults mean "not given".
struct Eta {
    int month = 0;    // 1..12, 0 not given
    int day = 0;      // 1..31, 0 not given
    int hour = 24;    // 0..23, 24 not given
    int minute = 60;  // 0..59, 60 not given
};

// One ship around the simulated ship, as its user describes it: who it is, where it starts and
// how it moves. Texts use the characters AIS can send (kAisTextCharacters). Every member has
// its default, so that designated initialisers may leave any out.
struct AisTarget {
    // Identity and static data.
    std::uint32_t mmsi = 0;         // nine digits
    std::string name{};             // up to 20 characters
    std::string callSign{};         // up to 7 characters
    int shipType = 0;               // 0..99, 0 not available (70 cargo, 80 tanker, ...)
    std::uint32_t imo = 0;          // seven digits with a valid check digit, 0 not known
    double lengthMetres = 0;        // 0..1022, 0 not known
    double beamMetres = 0;          // 0..126, 0 not known
    AisClass aisClass = AisClass::A;

    // Voyage data (class A).
    std::string destination{};      // up to 20 characters
    double draughtMetres = 0;       // 0..25.5, 0 not known
    Eta eta{};

    // Where it starts and how it moves.
    double lat = 0;                 // signed degrees, -90..90
    double lon = 0;                 // signed degrees, -180..180
    double courseDeg = 0;           // course over ground, 0..360
    double speedKnots = 0;          // speed over ground, 0..102.2
    double rateOfTurnDegPerMin = 0; // -708..708, positive to starboard; off a route, turns for ever
    // True heading; nothing: the heading is the course. A heading that differs from the course
    // keeps that difference (a ship crabbing in a cross current) while the course changes.
    std::optional<double> headingDeg{};
    NavigationStatus status = NavigationStatus::UnderWayUsingEngine;

    // A route to follow instead of the course: the target steers for each waypoint in turn,
    // turning at up to `routeTurnDegPerMin`; a waypoint is reached inside the arrival circle or
    // once the target has passed the line through it square to its leg. After the last one the
    // target holds its course, or with `routeRepeats` steers for the first again.
    std::vector<TargetWaypoint> route{};
    double arrivalRadiusNm = 0.1;   // > 0
    double routeTurnDegPerMin = 30; // > 0, up to 708
    bool routeRepeats = false;
};

// The characters of AIS six-bit text, in code order from 1 ("@", code 0, pads a text and
// cannot be sent inside one): capital letters, digits, space and punctuation.
inline constexpr std::string_view kAisTextCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_ !\"#$%&'()*+,-./0123456789:;<=>?";

// Nothing when every field of `target` can be sent and moved as it stands, otherwise what is
// wrong with the first field that cannot, in words that name the field and its value (for
// example: `name "Sea Breeze": 'e' (character 2) cannot be sent; AIS names use capital
// letters, digits, space and !"#$%&'()*+,-./:;<=>?[\]^_`).
std::optional<std::string> checkTarget(const AisTarget& target);

// The reference point of a ship of the target's length and beam: amidships on the centre line,
// the odd metre of a rounded length or beam to the bow or to port. A part over the field's
// largest value (511 m, 63 m) is sent as the largest, which reads "that or more".
ShipDimensions dimensionsOf(const AisTarget& target);

}  // namespace pelora
