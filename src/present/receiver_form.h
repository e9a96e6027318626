#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/receiver_settings.h"

namespace pelora {

// The Sentences dialog's fields: what runs, as the dialog shows it (a profile's own list,
// talker, version and systems where the choices leave them to the profile).
struct ReceiverForm {
    std::string profile;                 // a name of receiverProfiles()
    std::vector<std::string> sentences;  // the burst's sentence types in order
    std::string talker;                  // GP, GN, GL, GA, GB
    std::string version;                 // "2.3", "4.10", "4.11"
    std::vector<GnssSystem> systems;     // in the order GSA and GSV report them
    std::string mask;                    // elevation mask, degrees
    std::string altitude;                // antenna above mean sea level, metres
    bool noFix = false;
    bool differential = false;
    std::string lines;                   // the user's own lines, one a line

    friend bool operator==(const ReceiverForm&, const ReceiverForm&) = default;
};

// True for the profiles that model a receiver (talker, version, systems, mask, altitude and
// fix state apply); false for the single sentence.
bool modelsReceiver(std::string_view profile);
// True for the one profile whose sentence list the user makes: Custom.
bool ownSentenceList(std::string_view profile);

// The fields for `choices`.
ReceiverForm receiverForm(const ReceiverChoices& choices);

// The fields once the user picks `profile`: its list, talker, version and systems; the rest
// kept. Custom starts from the receiver shown before (from its own defaults after the single
// sentence), so that a list can be made from another profile's.
ReceiverForm withProfile(ReceiverForm form, const std::string& profile);

// The choices the fields make, or why they make none. What equals the profile's own (list,
// talker, version, systems) is left to the profile, so that it follows the profile; the single
// sentence keeps none of them. Own lines are trimmed and blank ones dropped; a line must hold
// printable ASCII only, as NMEA 0183 does.
struct ReceiverFormRead {
    std::optional<ReceiverChoices> choices;
    std::string problem;
};
ReceiverFormRead readReceiverForm(const ReceiverForm& form);

}  // namespace pelora
