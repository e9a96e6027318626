#pragma once

#include <string>
#include <string_view>

#include "sim/date_time.h"

namespace pelora {

// Sentence types, the index of the sentence-type list.
inline constexpr int kSentenceGLL = 0;
inline constexpr int kSentenceGGA = 1;
inline constexpr int kSentenceRMC = 2;

// What ends every sentence on the wire.
inline constexpr std::string_view kSentenceEnd = "\r\n";

// Composes the sentence of type `sentence_type` (0 GLL, 1 GGA, 2 RMC) for the given position,
// without checksum and line end. Longitude comes first. RMC copies `sog_text` and `cog_text`
// as they stand. `now` is one reading of the local clock, so date and time never straddle
// midnight. Any other type index gives "".
std::string NMEA(double longitude, double latitude, int decimal_places, bool leading_zeros,
                 int sentence_type, const std::string& sog_text, const std::string& cog_text,
                 const DateTime& now);

// The checksum suffix "*HH" of a sentence: exclusive-or of every character code from the
// second to the last (the first is skipped whatever it is). Fewer than two characters gives "".
std::string CS(std::string_view sentence);

// The check-box value at which the checksum counts as asked for: anything but 0 (clear).
// RMC always carries one. Returns the sentence with the suffix appended when due.
std::string withChecksumIfDue(const std::string& sentence, int checksum_box_value, int sentence_type);

// The decimal places from the text of the decimal-places box: its number rounded to the
// nearest whole number; below 0 gives 0, above 15 gives 15, no number gives 0.
int decimalPlacesFromText(std::string_view text);

}  // namespace pelora
