#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelora {

// Reads a number from a control's text leniently: leading blanks are skipped, the longest
// leading decimal number (optional sign, digits, one "." as the decimal point, optional
// exponent) is taken and the rest ignored. A text without a leading number gives 0.
// "." is the decimal point whatever the locale. The result may be +-inf for "1e999".
double number_from_text(std::string_view text);

// Reads a text strictly: the whole text (blanks around it allowed) must be one decimal number,
// fractions and exponent allowed. Returns nothing for anything else, including an empty text.
std::optional<double> strictNumberFromText(std::string_view text);

// Formats a number with a digit pattern: at least `min_int_digits` integer digits (padded with
// leading zeros) and exactly `decimals` decimals; when `decimals` is 0 and `always_point` is
// true the decimal point is still written ("00." patterns). The value is first taken to 15
// significant decimal digits and then rounded with halves up as it reads in decimal
// (2.675 with 2 decimals gives 2.68). A negative number keeps its sign ("-005").
// A value that is not finite gives "0" in the pattern (never "nan" or "inf").
// Requires 0 <= decimals <= 15.
std::string formatDigits(double value, int min_int_digits, int decimals, bool always_point = false);

// The digit patterns of the program, each as formatDigits says.
std::string formatHeading(double value);    // "000"   whole-degree heading
std::string formatCourse(double value);  // "000.0" course over ground
std::string formatSpeed(double value);    // "0.0"   speed over ground
std::string formatYear(double value);   // "0000"  a year

// Writes a number in its shortest plain decimal form with up to 15 significant digits and
// "." as the decimal point: -0.5, 0, 1, 2.5 (never an exponent for ordinary magnitudes).
std::string shortestNumberText(double value);

}  // namespace pelora
