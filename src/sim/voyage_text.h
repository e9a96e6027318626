#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelora {

// The line end of a voyage file: carriage return and line feed.
inline constexpr std::string_view kVoyageLineEnd = "\r\n";

// Appends one fix and its line end to `out`.
void appendFixLine(std::string& out, std::string_view fix);

// The content of a voyage file: every fix followed by CR LF, no header and no trailer.
// No fixes give an empty content.
std::string joinFixes(std::span<const std::string> fixes);

// Cuts voyage file content into lines, fed in pieces of any size (a CR LF may straddle two
// pieces). A line ends at LF; a CR right before that LF belongs to the line end. Every other
// byte, a lone CR or a NUL included, stays in the line as it was. The last line needs no line
// end; the line end of the last line does not start another (empty) line.
class LineSplitter {
public:
    // Takes the next piece of the content.
    void feed(std::string_view piece);

    // Ends the content and hands over the lines; the splitter is then empty again.
    std::vector<std::string> finish();

private:
    std::vector<std::string> m_lines;
    std::string m_partial;  // the bytes of a line whose line end has not come yet
};

// The lines of a whole content, as LineSplitter cuts them. An empty content gives no lines.
std::vector<std::string> splitLines(std::string_view content);

}  // namespace pelora
