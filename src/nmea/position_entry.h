#pragma once

#include <optional>
#include <string>
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

// Reads a position given where it must be exact (the command line, a scenario file): either
// signed decimal degrees ("-3.25", "+54.5"), or the position box's forms with exactly one
// hemisphere letter (N or S for a latitude, E or W for a longitude, either case) and one to three
// numbers, degrees, minutes and seconds, separated by blanks or by the letter ("54N00.0000",
// "0001E00.0000", "54.5N", "50 30 15 S", "N54 30.5"). Only the last number may have a fraction;
// minutes and seconds are below 60; the value lies within 90 (180) degrees. Returns a text the
// position box reads as that position (the text itself for the box's forms, degrees and minutes
// for decimal degrees: "3W15.00000" for "-3.25"), or nothing for anything else.
std::optional<std::string> exactPositionText(std::string_view text, bool latitude);

// Signed decimal degrees as the position box takes them: degrees, the hemisphere letter and the
// minutes to five decimals ("54N07.40736", "1W15.00000"), which the box reads back to within a
// centimetre. A value that is not finite gives the text of 0.
std::string positionBoxText(double degrees, bool latitude);

}  // namespace pelora
