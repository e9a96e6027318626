#include "nmea/sentence.h"

#include <algorithm>
#include <cmath>

#include "nmea/position_format.h"
#include "text/number_text.h"

namespace pelora {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
}  // namespace

std::string NMEA(double longitude, double latitude, int decimal_places, bool leading_zeros,
                 int sentence_type, const std::string& sog_text, const std::string& cog_text,
                 const DateTime& now) {
    if (sentence_type != kSentenceGLL && sentence_type != kSentenceGGA &&
        sentence_type != kSentenceRMC) {
        return {};
    }
    const std::string lat = posformat(latitude, true, decimal_places, leading_zeros);
    const std::string lon = posformat(longitude, false, decimal_places, leading_zeros);
    const std::string time = timeText(now);

    switch (sentence_type) {
    case kSentenceGLL:
        return "$GPGLL," + lat + "," + lon + "," + time + ",A";
    case kSentenceGGA:
        return "$GPGGA," + time + "," + lat + "," + lon + ",2,04,0.9,0.0,M,0.0,M,5,0100";
    default:  // RMC
        return "$GPRMC," + time + ",A," + lat + "," + lon + "," + sog_text + "," + cog_text + "," +
               dateText(now) + ",0.0,E";
    }
}

std::string CS(std::string_view sentence) {
    if (sentence.size() < 2) return {};
    unsigned int sum = 0;
    for (std::size_t i = 1; i < sentence.size(); ++i) {
        sum ^= static_cast<unsigned char>(sentence[i]);
    }
    return std::string{'*', kHexDigits[(sum >> 4U) & 0xFU], kHexDigits[sum & 0xFU]};
}

std::string withChecksumIfDue(const std::string& sentence, int checksum_box_value, int sentence_type) {
    if (checksum_box_value != 0 || sentence_type == kSentenceRMC) return sentence + CS(sentence);
    return sentence;
}

int decimalPlacesFromText(std::string_view text) {
    const double value = number_from_text(text);
    if (std::isnan(value)) return 0;
    const double rounded = std::round(std::clamp(value, 0.0, static_cast<double>(kMaxDecimalPlaces)));
    return static_cast<int>(rounded);
}

}  // namespace pelora
