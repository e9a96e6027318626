#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/date_time.h"

namespace pelora {

// Calendar arithmetic on the proleptic Gregorian calendar in UTC, pure integer arithmetic: no
// time-zone database and no library time functions, so a result is the same on every machine.

// Seconds between 1970-01-01T00:00:00 and `when` (negative before it). Requires a valid date.
std::int64_t secondsSinceEpoch(const DateTime& when);

// The date and time `seconds` after 1970-01-01T00:00:00 (before it when negative).
DateTime dateTimeAt(std::int64_t seconds);

// `when` moved by `delta` (either way), across days, months and years.
DateTime addSeconds(const DateTime& when, std::chrono::seconds delta);

// True when the fields name a real instant: month 1..12, the day within its month (29 February
// in leap years only), hour 0..23, minute and second 0..59, year 1..9999.
bool isValidDateTime(const DateTime& when);

// Reads an ISO 8601 instant such as "2026-06-01T08:00:00Z" or "2026-06-01T10:00:00+02:00" and
// gives it in UTC. Requires the date, "T", the time to the second (a fraction is refused, as
// ticks are whole seconds) and the zone ("Z" or "+hh:mm"/"-hh:mm"); nothing for anything else.
std::optional<DateTime> parseIsoUtc(std::string_view text);

// "2026-06-01T08:00:00Z".
std::string isoUtcText(const DateTime& when);

// The date a receiver with a 10-bit week counter shows after a rollover: 1024 weeks back.
DateTime weekRolloverDate(const DateTime& when);

}  // namespace pelora
