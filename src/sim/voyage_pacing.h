#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelora {

// The time of day an NMEA sentence carries in its UTC time field (hhmmss, hhmmss.s...):
// field 1 of GGA, GNS, RMC, ZDA, GBS, GST, GRS, BWC, BWR and ZTG, field 5 of GLL, whatever
// the talker ("$GPGGA", "$GNRMC"). Nothing for a line that is no such sentence, an empty
// time field or one that is not a time of day. Fractions of a second are kept to the
// millisecond, so "123519.00" and "123519.000" are the same time.
std::optional<std::chrono::milliseconds> sentenceTimeOfDay(std::string_view line);

// A run of consecutive voyage lines: lines [first, first + count).
struct LineGroup {
    std::size_t first = 0;
    std::size_t count = 0;

    friend bool operator==(const LineGroup&, const LineGroup&) = default;
};

// Cuts voyage lines into the fixes of a receiver log, to be played one group a second: a
// group is the consecutive lines that share one time of day (sentenceTimeOfDay). A line
// without a time joins the group before it; the first group starts at the first line and
// takes the first time that comes. A time that differs from its group's starts a new group,
// even when it came before (a log that jumps back plays on in order). No lines give no
// groups; the groups cover every line once, in order.
std::vector<LineGroup> groupByTime(std::span<const std::string> lines);

}  // namespace pelora
