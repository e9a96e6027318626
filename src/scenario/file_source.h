#pragma once

#include <cstddef>
#include <string>

namespace pelora {

// A text file as read, or why it could not be read.
struct FileText {
    std::string bytes;
    std::string error;      // "" when read; otherwise the reason ("No such file or directory")
    bool tooLarge = false;  // the file holds more than the bound asked for (bytes then empty)
};

// Where the scenario layer reads the files a user names (a scenario file, the GPX file of its
// route): the disk in the program, memory in tests.
class FileSource {
public:
    virtual ~FileSource() = default;

    // The whole file at `path`, unless it holds more than `maxBytes` bytes (then `tooLarge`
    // and no bytes, having read no more than maxBytes + 1 of them).
    virtual FileText read(const std::string& path, std::size_t maxBytes) const = 0;
};

}  // namespace pelora
