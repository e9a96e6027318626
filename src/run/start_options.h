#pragma once

#include <optional>
#include <string>

namespace pelora {

// Control values given on the command line. Each one given is put into its control before the
// first tick, as the operator would set it; none of them is saved.
struct ControlOverrides {
    std::optional<int> sentenceType;            // --sentence: 0 GLL, 1 GGA, 2 RMC
    bool checksum = false;                      // --checksum: "Use CheckSum" ticked
    std::optional<std::string> decimalPlaces;   // --decimals
    bool noLeadingZeros = false;                // --no-leading-zeros: "Output Leading Zeros" clear
    std::optional<std::string> latitude;        // --lat, as typed in the position box
    std::optional<std::string> longitude;       // --lon
    std::optional<std::string> speed;           // --speed, knots
    std::optional<std::string> course;          // --course: autopilot on this course
    std::optional<std::string> rate;            // --rate: steering at this rate of turn
    std::optional<std::string> responseSeconds; // --response: ship response on
    std::optional<std::string> seaMetres;       // --sea: sea state on
    std::optional<std::string> noiseMetres;     // --noise: GPS noise on
    std::optional<int> port;                    // --port: COM n selected (1..16)
};

}  // namespace pelora
