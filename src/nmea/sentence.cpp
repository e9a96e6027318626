#include "nmea/sentence.h"

#include <algorithm>
#include <cmath>

#include "nmea/position_format.h"
#include "nmea/sentence_table.h"
#include "text/number_text.h"

namespace pelora {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
}  // namespace

// The receiver forms of the three (receiver_sentences.cpp).
void composeReceiverGLL(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeReceiverGGA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeReceiverRMC(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);

// GLL, GGA and RMC: the seed's forms, byte for byte as the simulator always sent them, or the
// receiver forms.
void composeGLL(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!style.seedForm) {
        composeReceiverGLL(fix, style, out);
        return;
    }
    out.push_back("$GPGLL," + posformat(fix.latitude, true, fix.decimalPlaces, fix.leadingZeros) + "," +
                  posformat(fix.longitude, false, fix.decimalPlaces, fix.leadingZeros) + "," + timeText(fix.time) +
                  ",A");
}

void composeGGA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!style.seedForm) {
        composeReceiverGGA(fix, style, out);
        return;
    }
    out.push_back("$GPGGA," + timeText(fix.time) + "," +
                  posformat(fix.latitude, true, fix.decimalPlaces, fix.leadingZeros) + "," +
                  posformat(fix.longitude, false, fix.decimalPlaces, fix.leadingZeros) +
                  ",2,04,0.9,0.0,M,0.0,M,5,0100");
}

void composeRMC(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    if (!style.seedForm) {
        composeReceiverRMC(fix, style, out);
        return;
    }
    out.push_back("$GPRMC," + timeText(fix.time) + ",A," +
                  posformat(fix.latitude, true, fix.decimalPlaces, fix.leadingZeros) + "," +
                  posformat(fix.longitude, false, fix.decimalPlaces, fix.leadingZeros) + "," + fix.sogText + "," +
                  fix.cogText + "," + dateText(fix.time) + ",0.0,E");
}

std::string NMEA(double longitude, double latitude, int decimal_places, bool leading_zeros,
                 int sentence_type, const std::string& sog_text, const std::string& cog_text,
                 const DateTime& now) {
    const SentenceType* type = singleSentenceType(sentence_type);
    if (type == nullptr) {
        return {};
    }
    Fix fix;
    fix.longitude = longitude;
    fix.latitude = latitude;
    fix.decimalPlaces = decimal_places;
    fix.leadingZeros = leading_zeros;
    fix.sogText = sog_text;
    fix.cogText = cog_text;
    fix.time = now;
    std::vector<std::string> sentences;
    type->compose(fix, SentenceStyle{}, sentences);
    return sentences.empty() ? std::string() : sentences.front();
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
