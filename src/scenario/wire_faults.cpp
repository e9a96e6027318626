#include "scenario/wire_faults.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "nmea/sentence.h"
#include "scenario/name_match.h"

namespace pelora {

namespace {

constexpr std::array<std::string_view, kFaultKindCount> kFaultNames{
    "bad-checksum", "no-checksum", "cut-line", "no-cr",         "no-lf",   "lf-lf",
    "duplicate",    "reorder",     "garbage",  "talker-change", "gsv-gap", "week-rollover",
};

// The order in which the faults of one line act on it.
constexpr std::array kLineFaultOrder{
    FaultKind::TalkerChange, FaultKind::BadChecksum, FaultKind::NoChecksum, FaultKind::CutLine,
    FaultKind::NoCr,         FaultKind::NoLf,        FaultKind::LfLf,       FaultKind::Duplicate,
    FaultKind::Garbage,
};

constexpr std::uint32_t kMostGarbageBytes = 16;
constexpr std::uint32_t kByteValues = 256;
constexpr std::size_t kChecksumLength = 3;  // "*HH"
constexpr std::size_t kTalkerAt = 1;
constexpr std::size_t kTalkerLength = 2;

constexpr char kFaultHexDigits[] = "0123456789ABCDEF";

unsigned hexValue(char c) { return c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - 'A' + 10); }

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Where the "*HH" checksum starts, or npos when the line has none.
std::size_t checksumAt(const std::string& text) {
    if (text.size() < kChecksumLength + 1) return std::string::npos;
    const std::size_t star = text.size() - kChecksumLength;
    return text[star] == '*' && isHex(text[star + 1]) && isHex(text[star + 2]) ? star : std::string::npos;
}

// Field `index` of a sentence as a number (field 0 is the tag), or nothing.
std::optional<int> numberField(const std::string& text, std::size_t index) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = text.find(',', start);
        if (start == std::string::npos) return std::nullopt;
        ++start;
    }
    const std::size_t end = std::min(text.find_first_of(",*", start), text.size());
    int value = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + end, value);
    if (result.ec != std::errc{} || result.ptr != text.data() + end) return std::nullopt;
    return value;
}

// The bytes garbage is made of: any but those that start a sentence ("$", "!"), end a line or
// are blanks a reader skips before a sentence.
const std::string& garbageBytes() {
    static const std::string bytes = [] {
        std::string all;
        for (unsigned code = 0; code < kByteValues; ++code) {
            const char c = static_cast<char>(code);
            if (c != '$' && c != '!' && c != '\r' && c != '\n' && c != ' ' && c != '\t' && c != '\v' && c != '\f') {
                all.push_back(c);
            }
        }
        return all;
    }();
    return bytes;
}

struct LineOut {
    std::string garbage;
    std::string text;
    bool noCr = false;
    bool noLf = false;
    bool lfLf = false;
    bool twice = false;
};

}  // namespace

std::string_view faultName(FaultKind kind) { return kFaultNames[static_cast<std::size_t>(kind)]; }

std::optional<FaultKind> faultKindFromName(std::string_view name) {
    const auto found = std::find(kFaultNames.begin(), kFaultNames.end(), name);
    if (found == kFaultNames.end()) return std::nullopt;
    return static_cast<FaultKind>(found - kFaultNames.begin());
}

std::string faultNameList() {
    std::string list;
    for (const std::string_view name : kFaultNames) {
        if (!list.empty()) list += ", ";
        list += name;
    }
    return list;
}

FaultOption parseFaultOption(std::string_view text) {
    FaultOption option;
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const auto kind = faultKindFromName(name);
    if (!kind) {
        option.error = name.empty() ? "a fault needs a name: " + faultNameList()
                                    : "unknown fault '" + std::string(name) + "'" + didYouMean(name, kFaultNames) +
                                          "; the faults are " + faultNameList();
        return option;
    }
    FaultSetting setting;
    setting.kind = *kind;
    if (colon != std::string_view::npos) {
        const std::string_view every = text.substr(colon + 1);
        std::uint32_t value = 0;
        const auto result = std::from_chars(every.data(), every.data() + every.size(), value);
        if (every.empty() || result.ec != std::errc{} || result.ptr != every.data() + every.size() || value == 0 ||
            value > kLargestFaultEvery) {
            option.error = "fault '" + std::string(text) + "': after the colon give how often, a whole number from 1 to " +
                           std::to_string(kLargestFaultEvery) + " (bad-checksum:10 spoils every tenth sentence)";
            return option;
        }
        setting.every = value;
    }
    option.setting = setting;
    return option;
}

WireFaults::WireFaults(std::uint64_t seed) : m_random(seed) {}

void WireFaults::add(const FaultSetting& setting) { m_faults.push_back(Active{setting, 0}); }

bool WireFaults::due(Active& fault, std::chrono::seconds elapsed) {
    if (elapsed < fault.setting.from || (fault.setting.until && elapsed >= *fault.setting.until)) return false;
    ++fault.seen;
    return fault.seen % std::max<std::uint32_t>(fault.setting.every, 1) == 0;
}

std::uint32_t WireFaults::draw(std::uint32_t below) {
    const auto value = static_cast<std::uint32_t>(m_random.next() * static_cast<float>(below));
    return std::min(value, below - 1);
}

bool WireFaults::rolloverDue(std::chrono::seconds elapsed) {
    bool rollover = false;
    for (Active& fault : m_faults) {
        if (fault.setting.kind == FaultKind::WeekRollover && due(fault, elapsed)) rollover = true;
    }
    if (rollover) ++m_counts[static_cast<std::size_t>(FaultKind::WeekRollover)];
    return rollover;
}

void WireFaults::applyToBurst(std::chrono::seconds elapsed, std::vector<WireLine>& lines) {
    for (Active& fault : m_faults) {
        if (fault.setting.kind == FaultKind::GsvGap && due(fault, elapsed)) {
            // The groups of two or more parts: a part numbered 1 of n followed by its n - 1 others.
            std::vector<std::pair<std::size_t, std::size_t>> groups;  // first line, parts
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (lines[i].type != "GSV" || numberField(lines[i].text, 2) != 1) continue;
                const auto parts = numberField(lines[i].text, 1);
                if (!parts || *parts < 2 || i + static_cast<std::size_t>(*parts) > lines.size()) continue;
                groups.emplace_back(i, static_cast<std::size_t>(*parts));
            }
            if (groups.empty()) continue;
            const auto& [first, parts] = groups[draw(static_cast<std::uint32_t>(groups.size()))];
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first + draw(static_cast<std::uint32_t>(parts))));
            ++m_counts[static_cast<std::size_t>(FaultKind::GsvGap)];
        } else if (fault.setting.kind == FaultKind::Reorder && due(fault, elapsed)) {
            std::vector<std::size_t> pairs;  // neighbours that differ
            for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
                if (lines[i].text != lines[i + 1].text) pairs.push_back(i);
            }
            if (pairs.empty()) continue;
            const std::size_t at = pairs[draw(static_cast<std::uint32_t>(pairs.size()))];
            std::swap(lines[at], lines[at + 1]);
            ++m_counts[static_cast<std::size_t>(FaultKind::Reorder)];
        }
    }
}

std::vector<std::string> WireFaults::apply(std::chrono::seconds elapsed, std::vector<WireLine> lines) {
    applyToBurst(elapsed, lines);
    std::vector<std::string> bytes;
    bytes.reserve(lines.size());
    for (WireLine& line : lines) {
        LineOut out;
        out.text = std::move(line.text);
        for (const FaultKind kind : kLineFaultOrder) {
            for (Active& fault : m_faults) {
                if (fault.setting.kind != kind || !due(fault, elapsed)) continue;
                std::string& text = out.text;
                const std::size_t star = checksumAt(text);
                bool injected = true;
                switch (kind) {
                case FaultKind::TalkerChange: {
                    injected = text.size() > kTalkerAt + kTalkerLength && text[0] == '$' && text[kTalkerAt] != 'P';
                    if (!injected) break;
                    const std::string talker = text.compare(kTalkerAt, kTalkerLength, "GN") == 0 ? "GP" : "GN";
                    text.replace(kTalkerAt, kTalkerLength, talker);
                    if (star != std::string::npos) text = text.substr(0, star) + CS(text.substr(0, star));
                    break;
                }
                case FaultKind::BadChecksum: {
                    const std::string body = star == std::string::npos ? text : text.substr(0, star);
                    const std::string right = CS(body);
                    injected = !right.empty();
                    if (!injected) break;
                    const unsigned correct = hexValue(right[1]) * 16U + hexValue(right[2]);
                    const unsigned wrong = correct ^ (1 + draw(kByteValues - 1));
                    text = body + '*' + kFaultHexDigits[(wrong >> 4U) & 0xFU] + kFaultHexDigits[wrong & 0xFU];
                    break;
                }
                case FaultKind::NoChecksum:
                    injected = star != std::string::npos;
                    if (injected) text.erase(star);
                    break;
                case FaultKind::CutLine: {
                    // Cut before the first "*", so what is left never ends in a checksum.
                    const std::size_t end = std::min(text.find('*'), text.size());
                    injected = end >= 2;
                    if (injected) text.erase(1 + draw(static_cast<std::uint32_t>(end - 1)));
                    break;
                }
                case FaultKind::NoCr:
                    out.noCr = true;
                    break;
                case FaultKind::NoLf:
                    out.noLf = true;
                    break;
                case FaultKind::LfLf:
                    out.lfLf = true;
                    break;
                case FaultKind::Duplicate:
                    out.twice = true;
                    break;
                case FaultKind::Garbage: {
                    const std::string& bytes = garbageBytes();
                    const std::uint32_t count = 1 + draw(kMostGarbageBytes);
                    for (std::uint32_t i = 0; i < count; ++i) {
                        out.garbage.push_back(bytes[draw(static_cast<std::uint32_t>(bytes.size()))]);
                    }
                    break;
                }
                default:
                    injected = false;
                    break;
                }
                if (injected) ++m_counts[static_cast<std::size_t>(kind)];
            }
        }
        std::string ending = out.lfLf ? std::string("\n\n") : std::string(out.noCr ? "" : "\r") + (out.noLf ? "" : "\n");
        if (!out.garbage.empty()) bytes.push_back(std::move(out.garbage));
        std::string whole = out.text + ending;
        if (out.twice) bytes.push_back(whole);
        bytes.push_back(std::move(whole));
    }
    return bytes;
}

std::string WireFaults::countsText() const {
    std::string text;
    for (std::size_t i = 0; i < kFaultKindCount; ++i) {
        if (m_counts[i] == 0) continue;
        if (!text.empty()) text += ", ";
        text += std::string(kFaultNames[i]) + ": " + std::to_string(m_counts[i]);
    }
    return text;
}

}  // namespace pelora
