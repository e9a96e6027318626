#include "nmea/burst.h"

#include <algorithm>
#include <array>

#include "nmea/sentence.h"

namespace pelora {

namespace {

constexpr std::size_t kBitsPerByte = 10;  // 8N1: a start bit, eight data bits, a stop bit
constexpr std::string_view kSkyType = "GSV";

// The types in the order they are left out, least needed first; the empty name stands for every
// type not named here.
constexpr std::array<std::string_view, 10> kLeastNeededFirst{"GST", "ZDA", "GLL", "VTG", "GSA",
                                                             "GNS", "",    "HDT", "GGA", "RMC"};

// Rank of a type: lower is left out sooner; GSV before every other.
int rankOf(std::string_view type) {
    if (type == kSkyType) return -1;
    auto found = std::find(kLeastNeededFirst.begin(), kLeastNeededFirst.end(), type);
    if (type.empty() || found == kLeastNeededFirst.end()) {
        found = std::find(kLeastNeededFirst.begin(), kLeastNeededFirst.end(), std::string_view());
    }
    return static_cast<int>(found - kLeastNeededFirst.begin());
}

std::size_t lineBytes(const BurstLine& line) { return line.sentence.size() + kSentenceEnd.size(); }

// "GSV", "GSV and ZDA", "GSV, ZDA and GLL".
std::string listText(const std::vector<std::string_view>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

std::string messageStart(int baud, std::size_t budget, std::size_t total) {
    return "At " + std::to_string(baud) + " baud a second carries " + std::to_string(budget) +
           " bytes and this burst is " + std::to_string(total) + ": ";
}

}  // namespace

std::vector<BurstLine> composeBurst(const Fix& fix, const SentenceStyle& style, std::span<const std::string> types,
                                    bool checksumAsked) {
    std::vector<BurstLine> lines;
    std::vector<std::string> sentences;
    for (const std::string& name : types) {
        const SentenceType* type = findSentenceType(name);
        if (type == nullptr) continue;
        sentences.clear();
        type->compose(fix, style, sentences);
        const bool withChecksum = !style.seedForm || type->checksum == ChecksumRule::Always || checksumAsked;
        for (std::string& sentence : sentences) {
            if (withChecksum) sentence += CS(sentence);
            lines.push_back({type->name, std::move(sentence)});
        }
    }
    return lines;
}

std::size_t burstBytes(std::span<const BurstLine> lines) {
    std::size_t bytes = 0;
    for (const BurstLine& line : lines) bytes += lineBytes(line);
    return bytes;
}

std::size_t bytesPerSecond(int baud) { return baud > 0 ? static_cast<std::size_t>(baud) / kBitsPerByte : 0; }

FittedBurst fitBurst(std::vector<BurstLine> lines, int baud, std::uint64_t tick) {
    FittedBurst fitted;
    const std::size_t total = burstBytes(lines);
    const std::size_t budget = bytesPerSecond(baud);
    if (baud <= 0 || total <= budget) {
        fitted.lines = std::move(lines);
        return fitted;
    }

    std::size_t skyBytes = 0;
    std::size_t skyLines = 0;
    std::size_t longestSky = 0;
    for (const BurstLine& line : lines) {
        if (line.type != kSkyType) continue;
        skyBytes += lineBytes(line);
        ++skyLines;
        longestSky = std::max(longestSky, lineBytes(line));
    }
    const std::size_t otherBytes = total - skyBytes;

    // GSV spread: the other lines every second, and as many GSV lines as surely fit beside them.
    if (skyLines > 0 && otherBytes <= budget && (budget - otherBytes) / longestSky > 0) {
        const std::size_t perSecond = (budget - otherBytes) / longestSky;
        const std::size_t seconds = (skyLines + perSecond - 1) / perSecond;
        const std::size_t first = static_cast<std::size_t>(tick % seconds) * perSecond;
        std::size_t index = 0;
        for (BurstLine& line : lines) {
            if (line.type == kSkyType) {
                const bool due = index >= first && index < first + perSecond;
                ++index;
                if (!due) continue;
            }
            fitted.lines.push_back(std::move(line));
        }
        fitted.message = messageStart(baud, budget, total) + "GSV goes out over " + std::to_string(seconds) +
                         " seconds.";
        return fitted;
    }

    // Types left out, least needed first, until the rest fits; then those that fit taken back.
    std::vector<std::string_view> types;
    for (const BurstLine& line : lines) {
        if (std::find(types.begin(), types.end(), line.type) == types.end()) types.push_back(line.type);
    }
    std::stable_sort(types.begin(), types.end(),
                     [](std::string_view a, std::string_view b) { return rankOf(a) < rankOf(b); });
    auto bytesOf = [&lines](std::string_view type) {
        std::size_t bytes = 0;
        for (const BurstLine& line : lines) {
            if (line.type == type) bytes += lineBytes(line);
        }
        return bytes;
    };
    std::vector<std::string_view> leftOut;
    std::size_t kept = total;
    for (std::string_view type : types) {
        if (kept <= budget) break;
        kept -= bytesOf(type);
        leftOut.push_back(type);
    }
    for (std::size_t i = leftOut.size(); i-- > 0;) {
        const std::size_t bytes = bytesOf(leftOut[i]);
        if (kept + bytes <= budget) {
            kept += bytes;
            leftOut.erase(leftOut.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (BurstLine& line : lines) {
        if (std::find(leftOut.begin(), leftOut.end(), line.type) == leftOut.end()) fitted.lines.push_back(std::move(line));
    }
    fitted.message = messageStart(baud, budget, total) +
                     (fitted.lines.empty() ? std::string("no sentence fits, none is sent.")
                                           : listText(leftOut) + (leftOut.size() == 1 ? " is" : " are") + " left out.");
    return fitted;
}

}  // namespace pelora
