#include "sim/voyage_pacing.h"

#include <array>

#include "text/text.h"

namespace pelora {

namespace {

using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;

// "$" talker (two characters) sentence type (three) ","
constexpr std::size_t kAddressEnd = 6;
constexpr std::size_t kTypeStart = 3;
constexpr std::size_t kTypeLength = 3;

struct TimeField {
    std::string_view type;
    std::size_t field;  // counted from 1 after the address
};

constexpr std::array<TimeField, 11> kTimeFields{{
    {"GGA", 1}, {"GNS", 1}, {"RMC", 1}, {"ZDA", 1}, {"GBS", 1}, {"GST", 1},
    {"GRS", 1}, {"BWC", 1}, {"BWR", 1}, {"ZTG", 1}, {"GLL", 5},
}};

constexpr std::size_t kClockDigits = 6;  // hhmmss
constexpr int kHoursPerDay = 24;
constexpr int kMinutesPerHour = 60;
constexpr int kLeapSecond = 60;
constexpr std::size_t kMillisecondDigits = 3;

int twoDigits(std::string_view text) { return (text[0] - '0') * 10 + (text[1] - '0'); }

// The field `index` (from 1) after the address of `body`, the sentence without checksum.
std::optional<std::string_view> field(std::string_view body, std::size_t index) {
    std::size_t start = kAddressEnd + 1;
    for (std::size_t i = 1; i < index; ++i) {
        const std::size_t comma = body.find(',', start);
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        start = comma + 1;
    }
    const std::size_t end = body.find(',', start);
    return body.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

// hhmmss with an optional fraction of digits after a point, as a time of day.
std::optional<milliseconds> timeOfDay(std::string_view text) {
    if (text.size() < kClockDigits) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kClockDigits; ++i) {
        if (!isDigit(text[i])) return std::nullopt;
    }
    const int hour = twoDigits(text.substr(0, 2));
    const int minute = twoDigits(text.substr(2, 2));
    const int second = twoDigits(text.substr(4, 2));
    if (hour >= kHoursPerDay || minute >= kMinutesPerHour || second > kLeapSecond) {
        return std::nullopt;
    }
    milliseconds fraction{0};
    std::string_view rest = text.substr(kClockDigits);
    if (!rest.empty()) {
        if (rest.front() != '.' || rest.size() == 1) {
            return std::nullopt;
        }
        rest.remove_prefix(1);
        int scale = 100;  // milliseconds per unit of the first digit
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (!isDigit(rest[i])) return std::nullopt;
            if (i < kMillisecondDigits) {
                fraction += milliseconds((rest[i] - '0') * scale);
                scale /= 10;
            }
        }
    }
    return hours(hour) + minutes(minute) + seconds(second) + fraction;
}

}  // namespace

std::optional<milliseconds> sentenceTimeOfDay(std::string_view line) {
    if (line.size() <= kAddressEnd || line.front() != '$' || line[kAddressEnd] != ',' || line[1] == 'P') {
        return std::nullopt;
    }
    const std::string_view type = line.substr(kTypeStart, kTypeLength);
    const std::string_view body = line.substr(0, line.find('*'));
    for (const TimeField& known : kTimeFields) {
        if (known.type == type) {
            const std::optional<std::string_view> text = field(body, known.field);
            return text ? timeOfDay(*text) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::vector<LineGroup> groupByTime(std::span<const std::string> lines) {
    std::vector<LineGroup> groups;
    std::optional<milliseconds> groupTime;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<milliseconds> time = sentenceTimeOfDay(lines[i]);
        if (groups.empty() || (time && groupTime && *time != *groupTime)) {
            groups.push_back({i, 1});
            groupTime = time;
            continue;
        }
        ++groups.back().count;
        if (!groupTime) {
            groupTime = time;
        }
    }
    return groups;
}

}  // namespace pelora
