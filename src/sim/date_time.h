#pragma once

namespace pelora {

// One reading of a calendar date and time of day, local or UTC as the reader says.
struct DateTime {
    int year = 2000;   // four digits, e.g. 2026
    int month = 1;     // 1..12
    int day = 1;       // 1..31
    int hour = 0;      // 0..23
    int minute = 0;    // 0..59
    int second = 0;    // 0..59
};

}  // namespace pelora
