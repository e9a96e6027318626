#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/fix.h"

namespace pelora {

// When a sentence type carries its checksum.
enum class ChecksumRule {
    WhenAsked,  // only when the checksum is asked for (the window's "Use CheckSum")
    Always,     // whatever the choice (RMC always did; every receiver sentence does)
};

// How the sentences of one tick are written.
struct SentenceStyle {
    // The single sentence as the simulator always sent it: talker GP and fixed literals for
    // everything a receiver would report (quality, satellites, dilution, altitude). False for
    // the receiver profiles, whose sentences report the fix's own state.
    bool seedForm = true;
    std::string talker = "GP";              // talker of the fix sentences
    NmeaVersion version = NmeaVersion::V23;
    // The systems the receiver tracks, in the order GSA and GSV report them.
    std::vector<GnssSystem> systems{GnssSystem::Gps};
};

// Appends the sentences of one type for `fix`, without checksum and line end: most types give
// one, GSV one per group of four satellites of each system reported, GSA one per system.
using SentenceComposer = void (*)(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);

// One row of the table of sentence types.
struct SentenceType {
    std::string_view name;        // the three letters after the talker: "RMC"
    SentenceComposer compose;
    ChecksumRule checksum;
    bool singleChoice;            // offered as the single sentence (the window's type list)
    std::string_view meaning;     // a few words for lists and help: "recommended minimum data"
};

// Every sentence type the program composes, the single-sentence choices first in the order the
// window lists them (GLL, GGA, RMC).
std::span<const SentenceType> sentenceTypes();

// The row named `name` (upper or lower case), or nullptr.
const SentenceType* findSentenceType(std::string_view name);

// The single-sentence choices in list order: "GLL", "GGA", "RMC". The index in this list is the
// window's sentence-type index.
std::vector<std::string> singleSentenceNames();

// The row of the single-sentence choice at `index` (0 GLL, 1 GGA, 2 RMC), or nullptr.
const SentenceType* singleSentenceType(int index);

// The sentences of type `type` for `fix`, each with its checksum when the row's rule or
// `checksumAsked` says so (a sentence of fewer than two characters never gets one).
std::vector<std::string> composeSentences(const SentenceType& type, const Fix& fix, const SentenceStyle& style,
                                          bool checksumAsked);

}  // namespace pelora
