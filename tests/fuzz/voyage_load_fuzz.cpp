// Any voyage file content splits into fixes the same way whole or piece by piece, saves back
// to content that splits into the same fixes, and plays back fix by fix without a fault.
#include <cstdlib>

#include "fuzz_input.h"
#include "sim/voyage.h"
#include "sim/voyage_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const int pieceSize = (input.takeInt() & 0xFF) + 1;
    const std::string content = input.rest();

    const std::vector<std::string> whole = pelora::splitLines(content);
    pelora::LineSplitter splitter;
    for (std::size_t at = 0; at < content.size(); at += static_cast<std::size_t>(pieceSize)) {
        splitter.feed(std::string_view(content).substr(at, static_cast<std::size_t>(pieceSize)));
    }
    if (splitter.finish() != whole) std::abort();
    if (pelora::splitLines(pelora::joinFixes(whole)) != whole) std::abort();

    pelora::VoyageLog voyage;
    voyage.record("$GPGLL,recorded");
    voyage.replace(whole, "fuzz");
    for (std::size_t i = 0; i <= whole.size(); ++i) {
        const pelora::PlaybackStep step = voyage.playNext();
        if (i < whole.size() ? step.sentence != whole[i] : !step.sentence.empty()) std::abort();
    }
    return 0;
}
