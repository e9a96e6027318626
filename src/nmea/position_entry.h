#pragma once

#include <string_view>

namespace pelora {

// True when the text is empty, or its first character is a digit or ".".
bool Isnum(std::string_view text);

// Turns a typed position into signed decimal degrees by walking `templ`: "*" takes the next
// free-format number (degrees, minutes, seconds in turn; a fourth is dropped), "d", "m", "s"
// take one character into that field, anything else skips a character. An "S" anywhere makes a
// latitude negative, a "W" anywhere a longitude. Each field is held in single precision before
// the double sum minutes / 60 + degrees + seconds / 3600. Never fails; no digits give 0.
double MyPosition(bool latitude, std::string_view templ, std::string_view entry);

// MyPosition with template "***" for a latitude and a longitude entry.
double User_lat(std::string_view entry);
double user_lon(std::string_view entry);

}  // namespace pelora
