#pragma once

// The files a scenario test reads: from memory, or from the disk as the program would.

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "scenario/file_source.h"

namespace pelora::testing {

// Files held in memory by path; any other path is missing, but those in `huge`, which hold
// more than any bound.
class MemoryFiles final : public FileSource {
public:
    FileText read(const std::string& path, std::size_t maxBytes) const override {
        if (huge.count(path) != 0) return FileText{{}, {}, true};
        const auto found = files.find(path);
        if (found == files.end()) return FileText{{}, "No such file or directory", false};
        if (found->second.size() > maxBytes) return FileText{{}, {}, true};
        return FileText{found->second, {}, false};
    }
    std::map<std::string, std::string> files;
    std::set<std::string> huge;
};

// The disk, read whole.
class DiskFiles final : public FileSource {
public:
    FileText read(const std::string& path, std::size_t maxBytes) const override {
        std::ifstream in(path, std::ios::binary);
        if (!in) return FileText{{}, "cannot open", false};
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (bytes.size() > maxBytes) return FileText{{}, {}, true};
        return FileText{bytes, {}, false};
    }
};

}  // namespace pelora::testing
