#include "platform/disk_file_source.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace pelora {

namespace {
constexpr std::size_t kChunkBytes = 64 * 1024;
}  // namespace

FileText DiskFileSource::read(const std::string& path, std::size_t maxBytes) const {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) return FileText{{}, error.message(), false};
    if (!std::filesystem::is_regular_file(status)) return FileText{{}, "not a regular file", false};

    std::ifstream in(path, std::ios::binary);
    if (!in) return FileText{{}, std::strerror(errno), false};
    FileText file;
    std::array<char, kChunkBytes> chunk{};
    while (file.bytes.size() <= maxBytes && in) {
        const std::size_t wanted = std::min(chunk.size(), maxBytes + 1 - file.bytes.size());
        in.read(chunk.data(), static_cast<std::streamsize>(wanted));
        file.bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return FileText{{}, std::strerror(errno), false};
    if (file.bytes.size() > maxBytes) return FileText{{}, {}, true};
    return file;
}

}  // namespace pelora
