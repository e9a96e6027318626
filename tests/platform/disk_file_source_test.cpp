#include "platform/disk_file_source.h"

#include <QTemporaryDir>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

struct DiskRow {
    const char* name;
    std::string content;  // written to a file of the test folder unless `path` is given
    const char* path;
    std::size_t maxBytes;
    std::string outcome;  // the bytes read, "too large", or the error
};

class DiskFiles : public ::testing::TestWithParam<DiskRow> {};

TEST_P(DiskFiles, ReadWithinTheBound) {
    QTemporaryDir folder;
    std::string path = GetParam().path;
    if (path.empty()) {
        path = folder.filePath("file").toStdString();
        std::ofstream(path, std::ios::binary) << GetParam().content;
    } else if (path == "folder") {
        path = folder.path().toStdString();
    }
    const FileText file = DiskFileSource{}.read(path, GetParam().maxBytes);
    EXPECT_EQ(file.tooLarge ? "too large" : file.error.empty() ? file.bytes : file.error, GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DiskFiles,
    ::testing::Values(DiskRow{"Whole", std::string("a\0b\r\n", 5), "", 5, std::string("a\0b\r\n", 5)},
                      DiskRow{"ManyChunks", std::string(200000, 'x'), "", 200000, std::string(200000, 'x')},
                      DiskRow{"ManyChunksOneTooMany", std::string(200001, 'x'), "", 200000, "too large"},
                      DiskRow{"Missing", "", "/nonexistent/route.gpx", 5, "No such file or directory"},
                      DiskRow{"Folder", "", "folder", 5, "not a regular file"},
                      DiskRow{"EndlessDevice", "", "/dev/zero", 5, "not a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
