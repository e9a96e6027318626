#include "text/number_text.h"
#include "text/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <system_error>

namespace pelora {

namespace {


// The extent of the decimal number at the start of `text`: optional sign, digits with at most
// one ".", at least one digit, then an exponent only when it carries at least one digit.
// Returns 0 when the text does not start with a number.
std::size_t numberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) { ++i; ++digits; }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        const std::size_t exponentStart = j;
        while (j < text.size() && isDigit(text[j])) ++j;
        if (j > exponentStart) i = j;
    }
    return i;
}

// Converts a span that numberLength accepted in full. A magnitude too large for a double gives
// +-inf, one too small gives +-0; the conversion never depends on the locale.
double convertNumber(std::string_view number) {
    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Decide between overflow and underflow from the decimal position of the first
        // significant digit plus the exponent.
        long long position = 0;  // power of ten of the first significant digit
        bool seenSignificant = false;
        bool afterPoint = false;
        long long integerDigits = 0;
        long long leadingFractionZeros = 0;
        std::size_t i = 0;
        for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
            const char c = number[i];
            if (c == '.') { afterPoint = true; continue; }
            if (!seenSignificant && c == '0') {
                if (afterPoint) ++leadingFractionZeros;
                continue;
            }
            if (!afterPoint) ++integerDigits;
            seenSignificant = true;
        }
        position = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
        long long exponent = 0;
        if (i < number.size()) {
            ++i;
            bool exponentNegative = false;
            if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
                exponentNegative = number[i] == '-';
                ++i;
            }
            for (; i < number.size(); ++i) {
                exponent = std::min<long long>(exponent * 10 + (number[i] - '0'), 1'000'000'000LL);
            }
            if (exponentNegative) exponent = -exponent;
        }
        value = position + exponent > 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

// The value rounded to 15 significant decimal digits: `digits` holds them (no point), and the
// value is 0.d1d2...d15 times ten to the power `pointPosition`.
struct DecimalDigits {
    std::string digits;
    int pointPosition = 0;
};

DecimalDigits toDecimalDigits(double magnitude) {
    DecimalDigits out;
    if (magnitude == 0) {
        out.digits = "0";
        out.pointPosition = 1;
        return out;
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    for (std::size_t i = 0; i < e; ++i) {
        if (isDigit(text[i])) out.digits.push_back(text[i]);
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    exponent);
    out.pointPosition = exponent + 1;
    return out;
}

}  // namespace

double number_from_text(std::string_view text) {
    text = trim(text);
    const std::size_t length = numberLength(text);
    if (length == 0) return 0;
    return convertNumber(text.substr(0, length));
}

std::optional<double> strictNumberFromText(std::string_view text) {
    text = trim(text);
    const std::size_t length = numberLength(text);
    if (length == 0 || length != text.size()) return std::nullopt;
    const double value = convertNumber(text);
    // A number beyond what a double holds is not a usable number for a field.
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::string formatDigits(double value, int min_int_digits, int decimals, bool always_point) {
    if (!std::isfinite(value)) value = 0;
    decimals = std::clamp(decimals, 0, 15);
    min_int_digits = std::clamp(min_int_digits, 0, 64);

    DecimalDigits number = toDecimalDigits(std::fabs(value));
    // Keep the digits up to the last decimal place; round half up on the first digit dropped.
    const long long keep = static_cast<long long>(number.pointPosition) + decimals;
    std::string kept;
    if (keep < 0) {
        kept.clear();
    } else if (keep >= static_cast<long long>(number.digits.size())) {
        kept = number.digits;
        kept.append(static_cast<std::size_t>(keep) - number.digits.size(), '0');
    } else {
        kept = number.digits.substr(0, static_cast<std::size_t>(keep));
        if (number.digits[static_cast<std::size_t>(keep)] >= '5') {
            std::size_t i = kept.size();
            while (i > 0 && kept[i - 1] == '9') {
                kept[i - 1] = '0';
                --i;
            }
            if (i == 0) {
                kept.insert(kept.begin(), '1');
            } else {
                ++kept[i - 1];
            }
        }
    }
    // `kept` now holds the digits down to the last decimal place; the integer part is all but
    // the last `decimals` of them.
    std::string integerPart;
    std::string fraction;
    if (static_cast<long long>(kept.size()) > decimals) {
        integerPart = kept.substr(0, kept.size() - static_cast<std::size_t>(decimals));
        fraction = kept.substr(kept.size() - static_cast<std::size_t>(decimals));
    } else {
        fraction = std::string(static_cast<std::size_t>(decimals) - kept.size(), '0') + kept;
    }
    const std::size_t firstNonZero = integerPart.find_first_not_of('0');
    integerPart = firstNonZero == std::string::npos ? std::string() : integerPart.substr(firstNonZero);
    if (static_cast<int>(integerPart.size()) < min_int_digits) {
        integerPart.insert(0, static_cast<std::size_t>(min_int_digits) - integerPart.size(), '0');
    }
    const bool isZero = integerPart.find_first_not_of('0') == std::string::npos &&
                        fraction.find_first_not_of('0') == std::string::npos;

    std::string out;
    // A value that rounds to zero is written without a sign.
    if (value < 0 && !isZero) out.push_back('-');
    out += integerPart;
    if (decimals > 0 || always_point) out.push_back('.');
    out += fraction;
    return out;
}

std::string formatHeading(double value) { return formatDigits(value, 3, 0); }
std::string formatCourse(double value) { return formatDigits(value, 3, 1); }
std::string formatSpeed(double value) { return formatDigits(value, 1, 1); }
std::string formatYear(double value) { return formatDigits(value, 4, 0); }

std::string shortestNumberText(double value) {
    if (!std::isfinite(value) || value == 0) return "0";
    const DecimalDigits number = toDecimalDigits(std::fabs(value));
    std::string digits = number.digits;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int point = number.pointPosition;
    std::string out = value < 0 ? "-" : "";
    constexpr int kPlainLimit = 21;  // beyond this many places an exponent is clearer
    if (point > kPlainLimit || point < -kPlainLimit + 1) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back('.');
            out.append(digits, 1);
        }
        out += (point - 1 < 0) ? "E-" : "E+";
        out += std::to_string(std::abs(point - 1));
        return out;
    }
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
        out += digits;
        out.append(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
        out.append(digits, 0, static_cast<std::size_t>(point));
        out.push_back('.');
        out.append(digits, static_cast<std::size_t>(point));
    }
    return out;
}

}  // namespace pelora
