#pragma once

// Judges whether a composed sentence is one a receiver could take: printable ASCII only,
// "$" first, a correct "*HH" checksum when one is present, no "nan"/"inf", no line end inside.
// Returns an empty text when valid, otherwise what is wrong.

#include <cctype>
#include <string>
#include <string_view>

#include "nmea/sentence.h"

namespace pelora::testing {

inline std::string sentenceFault(std::string_view s) {
    if (s.empty()) {
        return "empty";
    }
    if (s.front() != '$') {
        return "does not start with $";
    }
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            return "holds a character that is not printable ASCII";
        }
    }
    std::string lower(s);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos) {
        return "holds nan or inf";
    }
    const auto star = s.rfind('*');
    if (star != std::string_view::npos) {
        if (star + 3 != s.size()) {
            return "checksum is not two digits at the end";
        }
        if (CS(s.substr(0, star)) != std::string(s.substr(star))) {
            return "wrong checksum";
        }
    }
    return {};
}

}  // namespace pelora::testing
