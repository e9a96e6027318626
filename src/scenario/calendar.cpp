#include "scenario/calendar.h"

#include <cstdio>

#include "sim/utc_seconds.h"
#include "text/text.h"

namespace pelora {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kRolloverWeeks = 1024;
constexpr std::int64_t kSecondsPerWeek = 7 * kSecondsPerDay;

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at `pos`.
std::optional<int> fixedDigits(std::string_view text, std::size_t pos, std::size_t digits) {
    if (pos + digits > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + digits; ++i) {
        if (!isDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::int64_t secondsSinceEpoch(const DateTime& when) {
    return utcSecondsSince1970(when);
}

DateTime dateTimeAt(std::int64_t seconds) {
    return utcFromSecondsSince1970(seconds);
}

DateTime addSeconds(const DateTime& when, std::chrono::seconds delta) {
    return dateTimeAt(secondsSinceEpoch(when) + delta.count());
}

bool isValidDateTime(const DateTime& when) {
    constexpr int kLastYear = 9999;
    constexpr int kLastHour = 23;
    constexpr int kLastMinuteOrSecond = 59;
    if (when.year < 1 || when.year > kLastYear || when.month < 1 || when.month > 12) return false;
    if (when.day < 1 || when.day > daysInMonth(when.year, when.month)) return false;
    return when.hour >= 0 && when.hour <= kLastHour && when.minute >= 0 && when.minute <= kLastMinuteOrSecond &&
           when.second >= 0 && when.second <= kLastMinuteOrSecond;
}

std::optional<DateTime> parseIsoUtc(std::string_view text) {
    // YYYY-MM-DDThh:mm:ss then Z or +hh:mm / -hh:mm
    constexpr std::size_t kZoneAt = 19;
    if (text.size() < kZoneAt + 1) return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != 't') || text[13] != ':' ||
        text[16] != ':') {
        return std::nullopt;
    }
    const auto year = fixedDigits(text, 0, 4);
    const auto month = fixedDigits(text, 5, 2);
    const auto day = fixedDigits(text, 8, 2);
    const auto hour = fixedDigits(text, 11, 2);
    const auto minute = fixedDigits(text, 14, 2);
    const auto second = fixedDigits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    const DateTime local{*year, *month, *day, *hour, *minute, *second};
    if (!isValidDateTime(local)) return std::nullopt;

    const std::string_view zone = text.substr(kZoneAt);
    if (zone == "Z" || zone == "z") return local;
    constexpr std::size_t kOffsetLength = 6;
    if (zone.size() != kOffsetLength || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':') return std::nullopt;
    const auto zoneHours = fixedDigits(zone, 1, 2);
    const auto zoneMinutes = fixedDigits(zone, 4, 2);
    constexpr int kLargestZoneHours = 14;
    if (!zoneHours || !zoneMinutes || *zoneHours > kLargestZoneHours || *zoneMinutes > 59) return std::nullopt;
    const std::int64_t offset = (*zoneHours * kSecondsPerHour + *zoneMinutes * kSecondsPerMinute) * (zone[0] == '+' ? 1 : -1);
    const DateTime utc = dateTimeAt(secondsSinceEpoch(local) - offset);
    if (!isValidDateTime(utc)) return std::nullopt;
    return utc;
}

std::string isoUtcText(const DateTime& when) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", when.year, when.month, when.day, when.hour,
                  when.minute, when.second);
    return text;
}

DateTime weekRolloverDate(const DateTime& when) {
    return addSeconds(when, std::chrono::seconds(-kRolloverWeeks * kSecondsPerWeek));
}

}  // namespace pelora
