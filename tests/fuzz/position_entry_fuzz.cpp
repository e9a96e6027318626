// Any typed position text, through any template, gives a number and never fails.
#include <cmath>
#include <cstdlib>

#include "fuzz_input.h"
#include "nmea/position_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const bool latitude = input.takeBool();
    const std::string all = input.rest();
    const std::size_t split = all.empty() ? 0 : static_cast<unsigned char>(all[0]) % 8;
    const std::string templ = all.substr(0, std::min(split, all.size()));
    const std::string entry = all.size() > split ? all.substr(split) : std::string();

    const double value = pelora::MyPosition(latitude, templ, entry);
    if (std::isnan(value)) std::abort();
    (void)pelora::User_lat(entry);
    (void)pelora::user_lon(entry);
    (void)pelora::Isnum(entry);
    return 0;
}
