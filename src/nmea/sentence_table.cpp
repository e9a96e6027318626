#include "nmea/sentence_table.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "nmea/sentence.h"

namespace pelora {

// The composers, one per row; each lives in the file of its sentence family.
void composeGLL(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeGGA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeRMC(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeVTG(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeZDA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeGSA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeGSV(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeGNS(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeGST(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeHDT(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeRMB(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeAPB(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeXTE(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeBWC(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);
void composeBOD(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out);

namespace {

constexpr std::size_t kSingleChoices = 3;

const std::array kTable{
    SentenceType{"GLL", composeGLL, ChecksumRule::WhenAsked, true, "geographic position"},
    SentenceType{"GGA", composeGGA, ChecksumRule::WhenAsked, true, "fix data"},
    SentenceType{"RMC", composeRMC, ChecksumRule::Always, true, "recommended minimum data"},
    SentenceType{"VTG", composeVTG, ChecksumRule::Always, false, "track made good and ground speed"},
    SentenceType{"ZDA", composeZDA, ChecksumRule::Always, false, "date and time"},
    SentenceType{"GSA", composeGSA, ChecksumRule::Always, false, "dilution of precision and active satellites"},
    SentenceType{"GSV", composeGSV, ChecksumRule::Always, false, "satellites in view"},
    SentenceType{"GNS", composeGNS, ChecksumRule::Always, false, "multi-system fix data"},
    SentenceType{"GST", composeGST, ChecksumRule::Always, false, "position error statistics"},
    SentenceType{"HDT", composeHDT, ChecksumRule::Always, false, "true heading"},
    // The route sentences: a line only while a route is followed.
    SentenceType{"RMB", composeRMB, ChecksumRule::Always, false, "navigation to the destination waypoint"},
    SentenceType{"APB", composeAPB, ChecksumRule::Always, false, "autopilot sentence B"},
    SentenceType{"XTE", composeXTE, ChecksumRule::Always, false, "cross-track error"},
    SentenceType{"BWC", composeBWC, ChecksumRule::Always, false, "bearing and distance to waypoint"},
    SentenceType{"BOD", composeBOD, ChecksumRule::Always, false, "bearing origin to destination"},
};

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const SentenceType> sentenceTypes() {
    return kTable;
}

const SentenceType* findSentenceType(std::string_view name) {
    const auto row = std::find_if(kTable.begin(), kTable.end(), [name](const SentenceType& type) {
        return sameName(type.name, name);
    });
    return row == kTable.end() ? nullptr : &*row;
}

std::vector<std::string> singleSentenceNames() {
    std::vector<std::string> names;
    for (const SentenceType& type : kTable) {
        if (type.singleChoice) {
            names.emplace_back(type.name);
        }
    }
    return names;
}

const SentenceType* singleSentenceType(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kSingleChoices) {
        return nullptr;
    }
    return &kTable[static_cast<std::size_t>(index)];
}

std::vector<std::string> composeSentences(const SentenceType& type, const Fix& fix, const SentenceStyle& style,
                                          bool checksumAsked) {
    std::vector<std::string> sentences;
    type.compose(fix, style, sentences);
    if (type.checksum == ChecksumRule::Always || checksumAsked) {
        for (std::string& sentence : sentences) {
            sentence += CS(sentence);
        }
    }
    return sentences;
}

}  // namespace pelora
