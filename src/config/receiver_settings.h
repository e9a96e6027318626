#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings_store.h"
#include "nmea/fix.h"

namespace pelora {

// The settings file's group that holds the receiver's choices.
inline constexpr char kReceiverSection[] = "Receiver";

// What the user chose of the receiver: a profile and what overrides it. The defaults are the
// single sentence the simulator always sent.
struct ReceiverChoices {
    std::string profile = "Single sentence";   // Profile: a name of receiverProfiles()
    std::vector<std::string> sentences;        // Sentences: the Custom profile's list; empty: the profile's
    std::string talker;                        // Talker: GP, GN, GL, GA or GB; "": the profile's
    std::optional<NmeaVersion> version;        // Version: 2.3, 4.10 or 4.11; nothing: the profile's
    std::vector<GnssSystem> systems;           // Systems: GPS, GLONASS, Galileo, BeiDou; empty: the profile's
    double elevationMaskDeg = 5;               // Mask: degrees, 0 to 90
    double antennaAltitudeMetres = 0;          // Altitude: metres above mean sea level
    bool fixAvailable = true;                  // Fix: "0" takes the fix away
    bool differential = false;                 // Differential
    // Lines: the user's own lines joining each burst after the receiver's sentences, sent as
    // written; a line ending in "*" gets its checksum computed.
    std::vector<std::string> customLines;

    friend bool operator==(const ReceiverChoices&, const ReceiverChoices&) = default;
};

// The bounds of the numbers.
inline constexpr double kLargestElevationMaskDeg = 90;
inline constexpr double kLowestAntennaMetres = -500;
inline constexpr double kHighestAntennaMetres = 10000;

// "GPS", "GLONASS", "Galileo", "BeiDou".
std::string_view systemName(GnssSystem system);

// The systems of a list such as "GPS,GLONASS" or "GP,GL,GA,GB" (names or talker ids, any case,
// separated by commas, each once); the reason when it is not one.
std::optional<std::vector<GnssSystem>> systemsFromText(std::string_view text, std::string& reason);

// The systems written back as a list: "GPS,GLONASS".
std::string systemsText(const std::vector<GnssSystem>& systems);

// The sentence types of a list such as "RMC,GGA,GSV" (any case; each a type of the sentence
// table); the reason when it is not one.
std::optional<std::vector<std::string>> sentencesFromText(std::string_view text, std::string& reason);

// Reads the receiver's choices of `application` from the [Receiver] group. A missing, damaged or
// unusable key means its default; a stored value that cannot be used is named in `unusable`
// ("Receiver/Mask=abc"), so that the program can say so once.
ReceiverChoices loadReceiverChoices(SettingsStore& store, const std::string& application,
                                    std::vector<std::string>* unusable = nullptr);

// Writes every key in one pass. Returns the error when they did not reach the store.
std::optional<Failure> saveReceiverChoices(SettingsStore& store, const std::string& application,
                                                 const ReceiverChoices& choices);

}  // namespace pelora
