// Any position, decimal places and options compose a sentence that a receiver can take.
#include <cstdio>
#include <cstdlib>

#include "fuzz_input.h"
#include "nmea/position_format.h"
#include "nmea/sentence.h"
#include "support/sentence_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const double lon = input.takeDouble();
    const double lat = input.takeDouble();
    const int decimals = input.takeInt();
    const bool zeros = input.takeBool();
    const int type = input.takeInt() % 4;
    const int checksumBox = input.takeInt() % 3;
    const std::string dpsText = input.rest();

    pelora::DateTime now{2026, 12, 6, 12, 34, 56};
    const int places = (decimals & 1) != 0 ? decimals : pelora::decimalPlacesFromText(dpsText);
    (void)pelora::posformat(lat, true, places, zeros);
    const std::string sentence = pelora::withChecksumIfDue(
        pelora::NMEA(lon, lat, places, zeros, type < 0 ? -type : type, "6.0", "090.0", now),
        checksumBox < 0 ? -checksumBox : checksumBox, type < 0 ? -type : type);
    if (sentence.empty()) return 0;  // no sentence type selected
    if (const std::string fault = pelora::testing::sentenceFault(sentence); !fault.empty()) {
        std::fprintf(stderr, "invalid sentence (%s): %s\n", fault.c_str(), sentence.c_str());
        std::abort();
    }
    return 0;
}
