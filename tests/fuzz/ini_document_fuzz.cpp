// Whatever a settings file holds and whatever values are set in it, reading the result back
// gives those values undamaged, and an entry of another group reads as it did before.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "config/ini_document.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const std::size_t valueLength = static_cast<std::size_t>(input.takeInt() & 0x1F);
    const std::string rest = input.rest();
    const std::string value = rest.substr(0, std::min(valueLength, rest.size()));
    const std::string text = rest.substr(value.size());

    const pelora::IniDocument before(text);
    const pelora::IniDocument::Entries entries{{"txt_lat", value}, {"cmb_PORT", "COM " + value}};
    const pelora::IniDocument after(before.textWith("FRM_NMEA", entries));

    for (const auto& [key, expected] : entries) {
        const std::optional<pelora::IniValue> read = after.value("FRM_NMEA", key);
        if (!read || read->damaged || read->text != expected) std::abort();
    }
    if (before.value("Ports", "COM1") != after.value("Ports", "COM1")) std::abort();
    return 0;
}
