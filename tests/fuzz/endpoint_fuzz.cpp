// Any text either reads as an endpoint that writes back to a text reading as the same endpoint,
// or is refused with a reason; a port read is always 1 to 65535.
#include <cstdlib>

#include "config/endpoint.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const std::string text = input.rest();
    const pelora::Result<pelora::Endpoint> read = pelora::parseEndpoint(text);
    if (!read) {
        if (read.failure().reason.empty()) std::abort();
        return 0;
    }
    if (read->port < 0 || read->port > 65535 || (read->port != 0 && read->host.empty())) std::abort();
    const pelora::Result<pelora::Endpoint> again = pelora::parseEndpoint(read->text());
    if (!again || again->text() != read->text()) std::abort();
    return 0;
}
