#pragma once

#include <string>

#include "sim/date_time.h"

namespace pelora {

// The most decimal places of the minutes a position field is written with.
inline constexpr int kMaxDecimalPlaces = 15;

// Formats signed decimal degrees as the two NMEA fields degrees-and-minutes and hemisphere,
// e.g. 54.5 as latitude with 4 decimals gives "5430.0000,N". Zero is "S" or "W". Minutes that
// round to 60 carry into the degrees. Decimal places below 0 count as 0, above 15 as 15; a value
// that is not finite is written as 0.
std::string posformat(double value, bool latitude, int decimal_places, bool leading_zeros);

// The time of day as "hhmmss" and the date as "ddmmyy".
std::string timeText(const DateTime& when);
std::string dateText(const DateTime& when);

}  // namespace pelora
