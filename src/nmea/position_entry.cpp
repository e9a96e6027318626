#include "nmea/position_entry.h"

#include "text/text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace pelora {

namespace {

// The leading number of a collected field: digits with at most one ".", read up to the end,
// the second "." or the first other character. No digits give 0. Held in single precision;
// a field too large for single precision reads as 0.
float fieldValue(std::string_view field) {
    std::size_t end = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; end < field.size(); ++end) {
        const char c = field[end];
        if (isDigit(c)) {
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return 0;
    // Read straight into single precision, rounded to the nearest: just above the largest
    // single a field rounds to it; one that would overflow reads as 0.
    float value = 0;
    const auto result = std::from_chars(field.data(), field.data() + end, value);
    if (result.ec != std::errc{}) return 0;
    return value;
}

bool containsLetter(std::string_view text, char upper) {
    const char lower = static_cast<char>(upper - 'A' + 'a');
    for (const char c : text) {
        if (c == upper || c == lower) return true;
    }
    return false;
}

}  // namespace

bool Isnum(std::string_view text) {
    if (text.empty()) return true;
    return isDigit(text.front()) || text.front() == '.';
}

double MyPosition(bool latitude, std::string_view templ, std::string_view entry) {
    std::array<std::string, 3> fields;  // degrees, minutes, seconds
    int taken = 0;
    std::size_t p = 0;
    for (const char marker : templ) {
        switch (marker) {
        case '*': {
            while (p < entry.size() && !Isnum(entry.substr(p, 1))) ++p;
            const std::size_t start = p;
            while (p < entry.size() && (isDigit(entry[p]) || entry[p] == '.')) ++p;
            if (taken < 3) fields[static_cast<std::size_t>(taken++)] = std::string(entry.substr(start, p - start));
            break;
        }
        case 'd':
        case 'm':
        case 's': {
            const std::size_t index = marker == 'd' ? 0 : marker == 'm' ? 1 : 2;
            if (p < entry.size()) fields[index].push_back(entry[p]);
            ++p;
            break;
        }
        default:
            ++p;
            break;
        }
        if (p >= entry.size()) break;
    }

    const float degrees = fieldValue(fields[0]);
    const float minutes = fieldValue(fields[1]);
    const float seconds = fieldValue(fields[2]);
    double value = static_cast<double>(minutes) / 60 + static_cast<double>(degrees) +
                   static_cast<double>(seconds) / 3600;
    if (!std::isfinite(value)) value = 0;
    const bool negative = latitude ? containsLetter(entry, 'S') : containsLetter(entry, 'W');
    return negative && value != 0 ? -value : value;
}

double User_lat(std::string_view entry) { return MyPosition(true, "***", entry); }

double user_lon(std::string_view entry) { return MyPosition(false, "***", entry); }

}  // namespace pelora
