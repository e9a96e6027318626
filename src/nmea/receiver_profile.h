#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/sentence_table.h"

namespace pelora {

// A named receiver: how its sentences are written and which it sends each second, in order.
struct ReceiverProfile {
    std::string name;
    SentenceStyle style;
    // The burst's sentence types; empty for the single sentence, whose one type the user picks.
    std::vector<std::string> sentences;
};

// The profiles in list order: "Single sentence" (the seed forms, one sentence a second),
// "Marine GPS (NMEA 2.3)", "Multi-GNSS (NMEA 4.10)" and "Custom" (a starting point for the
// user's own list, talker and version: the marine list, talker GP, 2.3).
std::span<const ReceiverProfile> receiverProfiles();

// The profile named `name` exactly, or nullptr.
const ReceiverProfile* findReceiverProfile(std::string_view name);

// The talker ids a profile's fix sentences may carry: GP, GN, GL, GA, GB.
std::span<const std::string_view> talkerIds();

// The version as written in lists: "2.3", "4.10", "4.11".
std::string_view nmeaVersionText(NmeaVersion version);

// The version written as nmeaVersionText writes it, or nothing.
std::optional<NmeaVersion> nmeaVersionFromText(std::string_view text);

}  // namespace pelora
