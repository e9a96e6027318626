#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/fix.h"
#include "nmea/sentence_table.h"

namespace pelora {

// One line of a second's burst.
struct BurstLine {
    std::string_view type;  // the table row's name, "GSV"
    std::string sentence;   // with its checksum when due, without the line end
};

// The sentences of `types` for `fix`, in that order (a type may give several lines: GSV, and
// GSA per system). Names the table does not know are left out. The receiver forms
// (`style.seedForm` false) always carry their checksum, as real receivers send them; the seed
// forms follow their row's rule and `checksumAsked`.
std::vector<BurstLine> composeBurst(const Fix& fix, const SentenceStyle& style, std::span<const std::string> types,
                                    bool checksumAsked);

// The bytes the lines take on the wire, each with its CR LF.
std::size_t burstBytes(std::span<const BurstLine> lines);

// The bytes a serial line carries in one second at `baud`, 8N1 (ten bits a byte).
std::size_t bytesPerSecond(int baud);

// What of a burst goes out this second, and why the rest does not.
struct FittedBurst {
    std::vector<BurstLine> lines;
    // Empty when the whole burst fits; otherwise one sentence for the user, e.g. "At 4800 baud
    // a second carries 480 bytes and this burst is 545: GSV goes out over 2 seconds."
    std::string message;
};

// Keeps of `lines` what `baud` carries in one second, so that a burst never runs into the next
// second, as a receiver does at a slow rate: first GSV is spread over several seconds (a run of
// whole GSV lines each second, which run the tick number picks), then GSV is left out, then the
// other types from the least needed (GST, ZDA, GLL, VTG, GSA, GNS, types not named here, HDT,
// GGA, RMC), taking back any left out that still fit, most needed first. The same lines and
// tick give the same result. A baud of 0 or less keeps everything.
FittedBurst fitBurst(std::vector<BurstLine> lines, int baud, std::uint64_t tick);

}  // namespace pelora
