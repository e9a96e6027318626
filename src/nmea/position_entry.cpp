#include "nmea/position_entry.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "text/number_text.h"
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

namespace {

// One number of an exact position: digits with at most one point, a digit before or after it.
bool isPlainNumber(std::string_view text) {
    bool digit = false;
    int points = 0;
    for (const char c : text) {
        if (isDigit(c)) {
            digit = true;
        } else if (c == '.') {
            ++points;
        } else {
            return false;
        }
    }
    return digit && points <= 1;
}

double plainValue(std::string_view text) {
    double value = 0;
    double scale = 0;
    for (const char c : text) {
        if (c == '.') {
            scale = 1;
        } else if (scale == 0) {
            value = value * 10 + (c - '0');
        } else {
            scale /= 10;
            value += (c - '0') * scale;
        }
    }
    return value;
}

}  // namespace

std::optional<std::string> exactPositionText(std::string_view text, bool latitude) {
    const double limit = latitude ? 90.0 : 180.0;
    text = trim(text);
    const bool sign = !text.empty() && (text.front() == '-' || text.front() == '+');
    if (isPlainNumber(sign ? text.substr(1) : text)) {
        const std::string_view digits = sign ? text.substr(1) : text;
        const double degrees = plainValue(digits);
        if (degrees > limit) return std::nullopt;
        // As degrees and minutes: the box holds a number in single precision, which would put
        // a fraction of a degree (54.51) off by a fraction of a metre.
        return positionBoxText(text.front() == '-' ? -degrees : degrees, latitude);
    }
    std::vector<std::string_view> numbers;
    int letters = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[at])));
        if (c == ' ') {
            ++at;
        } else if (latitude ? (c == 'N' || c == 'S') : (c == 'E' || c == 'W')) {
            ++letters;
            ++at;
        } else if (isDigit(c) || c == '.') {
            const std::size_t end = std::min(text.find_first_not_of("0123456789.", at), text.size());
            numbers.push_back(text.substr(at, end - at));
            at = end;
        } else {
            return std::nullopt;
        }
    }
    if (letters != 1 || numbers.empty() || numbers.size() > 3) return std::nullopt;
    double value = 0;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const bool last = i + 1 == numbers.size();
        if (!isPlainNumber(numbers[i]) || (!last && numbers[i].find('.') != std::string_view::npos)) {
            return std::nullopt;
        }
        const double number = plainValue(numbers[i]);
        if (i > 0 && number >= 60) return std::nullopt;
        value += i == 0 ? number : i == 1 ? number / 60 : number / 3600;
    }
    if (value > limit) return std::nullopt;
    if (numbers.size() == 1 && numbers[0].find('.') != std::string_view::npos) {
        // Decimal degrees with a letter ("54.51N"): as degrees and minutes, as above.
        const bool negative = latitude ? containsLetter(text, 'S') : containsLetter(text, 'W');
        return positionBoxText(negative ? -value : value, latitude);
    }
    return std::string(text);
}

std::string positionBoxText(double degrees, bool latitude) {
    constexpr int kMinuteDecimals = 5;
    if (!std::isfinite(degrees)) degrees = 0;
    const bool negative = degrees < 0;
    const double magnitude = std::fabs(degrees);
    double whole = std::floor(magnitude);
    std::string minutes = formatDigits((magnitude - whole) * 60, 2, kMinuteDecimals);
    if (minutes.rfind("60", 0) == 0) {
        whole += 1;
        minutes = formatDigits(0, 2, kMinuteDecimals);
    }
    const char hemisphere = latitude ? (negative ? 'S' : 'N') : (negative ? 'W' : 'E');
    return std::to_string(static_cast<long long>(whole)) + hemisphere + minutes;
}

}  // namespace pelora
