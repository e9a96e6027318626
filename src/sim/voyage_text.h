#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelora {

// The line end of a voyage file: carriage return and line feed.
inline constexpr std::string_view kVoyageLineEnd = "\r\n";

// The bounds of a voyage that loads. A week at one fix a second is 604,800 lines of at most
// 82 characters (the longest NMEA sentence) plus CR LF, about 51 MB; the bounds leave room
// for two thirds more (eleven and a half days), and a line a dozen times longer than any
// sentence is not a voyage line.
inline constexpr std::size_t kMaxVoyageLines = 1'000'000;
inline constexpr std::size_t kMaxVoyageLineBytes = 1024;  // without the line end
inline constexpr std::uintmax_t kMaxVoyageFileBytes = std::uintmax_t{96} << 20;

// The bounds a LineSplitter holds content to.
struct VoyageTextLimits {
    std::size_t maxLines = kMaxVoyageLines;
    std::size_t maxLineBytes = kMaxVoyageLineBytes;
};

// Appends one fix and its line end to `out`.
void appendFixLine(std::string& out, std::string_view fix);

// The content of a voyage file: every fix followed by CR LF, no header and no trailer.
// No fixes give an empty content.
std::string joinFixes(std::span<const std::string> fixes);

// The lines of a voyage content, or why it is not a voyage.
struct VoyageLines {
    std::vector<std::string> lines;    // empty after a fault; an empty content gives none
    std::optional<std::string> fault;  // as LineSplitter::fault()
};

// Cuts voyage file content into lines, fed in pieces of any size (a CR LF may straddle two
// pieces). A line ends at LF; a CR right before that LF belongs to the line end. Every other
// byte, a lone CR, a tab or a byte above 127 included, stays in the line as it was. The last
// line needs no line end; the line end of the last line does not start another (empty) line.
// Content is not a voyage when it holds a control byte other than tab, CR and LF (binary
// data, which must never reach navigation equipment), more lines than the limit, or a line
// longer than the limit: the splitter then stops at once, holds no more than it had, and
// keeps why.
class LineSplitter {
public:
    explicit LineSplitter(VoyageTextLimits limits = {});

    // Makes room at once for the lines of a content of `contentBytes` bytes (each line but
    // the last takes at least its LF) up to the line bound, and for one more (the spare slot
    // of the VoyageLog the lines go to), so that the list of lines never has to move while it
    // grows. Only the room the lines take is ever touched.
    void expectBytes(std::uintmax_t contentBytes);

    // Takes the next piece of the content. False once the content is not a voyage; later
    // pieces are then ignored.
    bool feed(std::string_view piece);

    // Why the content is not a voyage, as a clause naming the line ("line 3 holds binary
    // data (byte 0x00), so it is not a voyage"); nothing while it may still be one.
    const std::optional<std::string>& fault() const { return m_fault; }

    // Ends the content and hands over its lines, or why it is not a voyage; the splitter is
    // then empty again and ready for new content.
    VoyageLines finish();

private:
    bool takeLine(std::string line);
    bool refuseLongLine();
    bool refuse(std::string reason);

    VoyageTextLimits m_limits;
    std::vector<std::string> m_lines;
    std::string m_partial;  // the bytes of a line whose line end has not come yet
    std::optional<std::string> m_fault;
};

// The lines of a whole content as LineSplitter cuts them, or why it is not a voyage.
VoyageLines splitLines(std::string_view content, VoyageTextLimits limits = {});

}  // namespace pelora
