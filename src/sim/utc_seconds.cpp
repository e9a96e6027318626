#include "sim/utc_seconds.h"

#include <algorithm>

namespace pelora {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kMonthsPerYear = 12;
// Days in a 400-year Gregorian cycle, and from 0000-03-01 to 1970-01-01.
constexpr std::int64_t kDaysPerEra = 146097;
constexpr std::int64_t kYearsPerEra = 400;
constexpr std::int64_t kDaysTo1970 = 719468;
constexpr std::int64_t kLimitSeconds = 1'000'000'000'000'000LL;

std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days from 1970-01-01 to the given date, counting years from March so that the leap day is
// the last day of its year.
std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = floorDivide(year, kYearsPerEra);
    const std::int64_t yearOfEra = year - era * kYearsPerEra;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPerEra + dayOfEra - kDaysTo1970;
}

}  // namespace

std::int64_t utcSecondsSince1970(const DateTime& when) {
    const std::int64_t monthIndex = static_cast<std::int64_t>(when.month) - 1;
    const std::int64_t year = when.year + floorDivide(monthIndex, kMonthsPerYear);
    const std::int64_t month = monthIndex - floorDivide(monthIndex, kMonthsPerYear) * kMonthsPerYear + 1;
    // Day 1 of the month, then the day counted from it, so that a day outside the month carries.
    const std::int64_t days = daysFromCivil(year, month, 1) + when.day - 1;
    return days * kSecondsPerDay + when.hour * kSecondsPerHour + when.minute * kSecondsPerMinute + when.second;
}

DateTime utcFromSecondsSince1970(std::int64_t seconds) {
    seconds = std::clamp(seconds, -kLimitSeconds, kLimitSeconds);
    const std::int64_t days = floorDivide(seconds, kSecondsPerDay);
    const std::int64_t secondOfDay = seconds - days * kSecondsPerDay;

    const std::int64_t shifted = days + kDaysTo1970;
    const std::int64_t era = floorDivide(shifted, kDaysPerEra);
    const std::int64_t dayOfEra = shifted - era * kDaysPerEra;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;

    DateTime out;
    out.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    out.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    out.year = static_cast<int>(yearOfEra + era * kYearsPerEra + (out.month <= 2 ? 1 : 0));
    out.hour = static_cast<int>(secondOfDay / kSecondsPerHour);
    out.minute = static_cast<int>(secondOfDay % kSecondsPerHour / kSecondsPerMinute);
    out.second = static_cast<int>(secondOfDay % kSecondsPerMinute);
    return out;
}

}  // namespace pelora
