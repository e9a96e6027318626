#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelora {

// Small text helpers shared by every layer; standard library only.

// True for the ASCII digits 0 to 9 only, whatever the locale.
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// `text` without the blanks (spaces and tabs) at its start and end.
std::string_view trim(std::string_view text);

// Writes a whole number the way captions and messages show numbers without a pattern:
// one leading blank where a minus sign would stand (" 3", "-3").
std::string blankSigned(long long value);

// Reads a whole decimal number that is the entire text (an optional "-" and digits, nothing
// else, no blanks). Nothing for anything else, including an empty text or a number that does
// not fit.
std::optional<long long> wholeNumber(std::string_view text);

// The folder part of a file path: "/a" for "/a/b", "/" for "/a", "." for a bare name "b".
std::string folderOf(const std::string& path);

}  // namespace pelora
