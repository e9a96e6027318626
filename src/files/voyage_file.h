#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "text/failure.h"

namespace pelora {

// Writes the fixes to the file at `path` (UTF-8), each followed by CR LF; no fixes give an
// empty file. A regular file is written to a temporary file beside it that replaces the
// target only once the whole voyage is on disk, so a failed save leaves an existing file as
// it was and no temporary file behind. A character device (a port, /dev/null) is written
// directly and never replaced; a folder or any other kind of file is refused.
// Returns why it could not, naming the file and the cause.
std::optional<Failure> saveVoyageFile(const std::string& path, std::span<const std::string> fixes);

// Reads the whole regular file at `path` (UTF-8) and cuts it into lines as LineSplitter does.
// Every failure is an error, so that the caller keeps the voyage it has: a missing,
// unreadable or empty file, a folder or a device; a file that is not a voyage within the
// bounds of voyage_text.h (larger than kMaxVoyageFileBytes, found before reading; too many
// lines, a line too long or binary data, found at the first block that shows it); a voyage
// too large for the memory left (no allocation failure escapes). A file whose size is 0 is
// not read at all (the files of /proc say so, and some never end), and no read waits for
// data to come. The lines come with room for one more, so that VoyageLog::replace needs no
// memory for its spare slot.
// Gives the fixes of the file (at least one), or why not, naming the file and the cause.
Result<std::vector<std::string>> loadVoyageFile(const std::string& path);

}  // namespace pelora
