// Any voyage file content splits into fixes (or is refused, at the same line) the same way
// whole or piece by piece, within the bounds of a voyage; what splits saves back to content
// that splits into the same fixes, and plays back fix by fix without a fault.
#include <cstdlib>

#include "fuzz_input.h"
#include "sim/voyage.h"
#include "sim/voyage_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    // The lowest byte sizes the pieces; the two above it, when not zero, give small bounds so
    // that the fuzzer reaches both sides of each.
    const int shape = input.takeInt();
    const int pieceSize = (shape & 0xFF) + 1;
    const auto smallLines = static_cast<std::size_t>((shape >> 8) & 0x3F);
    const auto smallLineBytes = static_cast<std::size_t>((shape >> 16) & 0xFF);
    const pelora::VoyageTextLimits limits =
        smallLines == 0 ? pelora::VoyageTextLimits{} : pelora::VoyageTextLimits{smallLines, smallLineBytes};
    const std::string content = input.rest();

    const pelora::VoyageLines whole = pelora::splitLines(content, limits);
    if (whole.fault && !whole.lines.empty()) std::abort();
    if (whole.lines.size() > limits.maxLines) std::abort();
    for (const std::string& line : whole.lines) {
        if (line.size() > limits.maxLineBytes) std::abort();
    }
    pelora::LineSplitter splitter(limits);
    for (std::size_t at = 0; at < content.size(); at += static_cast<std::size_t>(pieceSize)) {
        splitter.feed(std::string_view(content).substr(at, static_cast<std::size_t>(pieceSize)));
    }
    const pelora::VoyageLines pieces = splitter.finish();
    if (pieces.lines != whole.lines || pieces.fault != whole.fault) std::abort();
    const pelora::VoyageLines again = pelora::splitLines(pelora::joinFixes(whole.lines), limits);
    if (again.lines != whole.lines || again.fault.has_value()) std::abort();

    pelora::VoyageLog voyage;
    voyage.record("$GPGLL,recorded");
    voyage.replace(whole.lines, "fuzz");
    for (std::size_t i = 0; i <= whole.lines.size(); ++i) {
        const pelora::PlaybackStep step = voyage.playNext();
        if (i < whole.lines.size() ? step.sentence != whole.lines[i] : !step.sentence.empty()) std::abort();
    }
    return 0;
}
