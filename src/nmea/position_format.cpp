#include "nmea/position_format.h"

#include <algorithm>
#include <cmath>

#include "text/number_text.h"

namespace pelora {

namespace {

// Two digits of a calendar or clock field; a year keeps only its last two digits.
std::string twoDigits(int value) {
    const int wrapped = ((value % 100) + 100) % 100;
    return std::string{static_cast<char>('0' + wrapped / 10), static_cast<char>('0' + wrapped % 10)};
}

}  // namespace

std::string posformat(double value, bool latitude, int decimal_places, bool leading_zeros) {
    if (!std::isfinite(value)) value = 0;
    decimal_places = std::clamp(decimal_places, 0, kMaxDecimalPlaces);

    const char hemisphere = latitude ? (value > 0 ? 'N' : 'S') : (value > 0 ? 'E' : 'W');
    const int degreeDigits = leading_zeros ? (latitude ? 2 : 3) : 1;

    const double magnitude = std::fabs(value);
    // The degrees stay a double: a whole number of any size without overflow.
    double degrees = std::floor(magnitude);
    const double minutes = (magnitude - degrees) * 60;
    std::string minutesText = formatDigits(minutes, 2, decimal_places, true);
    if (number_from_text(minutesText) == 60) {
        degrees += 1;
        minutesText = formatDigits(0, 2, decimal_places, true);
    }
    std::string out = formatDigits(degrees, degreeDigits, 0);
    out += minutesText;
    out.push_back(',');
    out.push_back(hemisphere);
    return out;
}

std::string timeText(const DateTime& when) {
    return twoDigits(when.hour) + twoDigits(when.minute) + twoDigits(when.second);
}

std::string dateText(const DateTime& when) {
    return twoDigits(when.day) + twoDigits(when.month) + twoDigits(when.year);
}

}  // namespace pelora
