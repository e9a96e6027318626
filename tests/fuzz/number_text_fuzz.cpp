// Reading numbers from any text, and writing any double through every digit pattern.
#include <cmath>
#include <cstdlib>

#include "fuzz_input.h"
#include "sim/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const double raw = input.takeDouble();
    const int decimals = input.takeInt();
    const std::string text = input.rest();

    const double lenient = pelora::number_from_text(text);
    if (std::isnan(lenient)) std::abort();
    if (const auto strict = pelora::strict_number_from_text(text); strict && !std::isfinite(*strict)) {
        std::abort();
    }
    for (const std::string& out :
         {pelora::format_digits(raw, 3, decimals % 16 < 0 ? 0 : decimals % 16, true),
          pelora::format_000(raw), pelora::format_000_0(raw), pelora::format_0_0(raw),
          pelora::shortest_number_text(raw)}) {
        if (out.find("nan") != std::string::npos || out.find("inf") != std::string::npos) std::abort();
        if (out.empty()) std::abort();
    }
    return 0;
}
