#pragma once

#include "scenario/file_source.h"

namespace pelora {

// The files a user names for a scenario (the scenario file, its route's GPX file), read from the
// disk. Only regular files are read, and never more than the bound asked for plus one byte, so
// that a device or a pipe named by mistake can neither hang nor flood the program.
class DiskFileSource final : public FileSource {
public:
    FileText read(const std::string& path, std::size_t maxBytes) const override;
};

}  // namespace pelora
