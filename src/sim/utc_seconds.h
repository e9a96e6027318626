#pragma once

#include <cstdint>

#include "sim/date_time.h"

namespace pelora {

// Seconds since 1970-01-01 00:00:00 of `when` read as UTC, on the Gregorian calendar without
// leap seconds, by arithmetic alone: the same answer in every time zone. A month outside 1..12
// carries into the year; day, hour, minute and second count as they stand (day 0 is the last
// day of the month before, second 60 the first second of the next minute).
std::int64_t utcSecondsSince1970(const DateTime& when);

// The UTC date and time `seconds` after 1970-01-01 00:00:00, the inverse of the above. Seconds
// are taken within about +-30 million years of 1970 (beyond, the nearest end of that range).
DateTime utcFromSecondsSince1970(std::int64_t seconds);

}  // namespace pelora
