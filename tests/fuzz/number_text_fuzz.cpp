// Reading numbers from any text, and writing any double through every digit pattern.
#include <cmath>
#include <cstdlib>

#include "fuzz_input.h"
#include "text/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const double raw = input.takeDouble();
    const int decimals = input.takeInt();
    const std::string text = input.rest();

    const double lenient = pelora::number_from_text(text);
    if (std::isnan(lenient)) std::abort();
    if (const auto strict = pelora::strictNumberFromText(text); strict && !std::isfinite(*strict)) {
        std::abort();
    }
    for (const std::string& out :
         {pelora::formatDigits(raw, 3, decimals % 16 < 0 ? 0 : decimals % 16, true),
          pelora::formatHeading(raw), pelora::formatCourse(raw), pelora::formatSpeed(raw),
          pelora::shortestNumberText(raw)}) {
        if (out.find("nan") != std::string::npos || out.find("inf") != std::string::npos) std::abort();
        if (out.empty()) std::abort();
    }
    return 0;
}
