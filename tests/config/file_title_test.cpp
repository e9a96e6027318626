#include "config/autoconfig.h"

#include <gtest/gtest.h>

namespace pelora {
namespace {

struct TitleRow {
    const char* label;
    const char* path;
    bool keepExtension;
    bool keepFolder;
    const char* title;
};

void PrintTo(const TitleRow& row, std::ostream* out) { *out << row.label; }

class FileTitle : public ::testing::TestWithParam<TitleRow> {};

TEST_P(FileTitle, CutsThePath) {
    const TitleRow& row = GetParam();
    EXPECT_EQ(file_title(row.path, row.keepExtension, row.keepFolder), row.title);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileTitle,
    ::testing::Values(
        TitleRow{"DriveTwoFolders", "C:\\Voyages\\North\\harbour.vyg", false, false, "harbour"},
        TitleRow{"SlashFolders", "/srv/voyages/harbour.vyg", false, false, "harbour"},
        TitleRow{"MixedSeparators", "/srv/a\\b/c\\run.vyg", false, false, "run"},
        TitleRow{"TwoDots", "C:\\v\\trip.day1.vyg", false, false, "trip.day1"},
        TitleRow{"OnlyLeadingDot", "/home/ship/.vyg", false, false, ""},
        TitleRow{"EndsInBackslash", "C:\\Voyages\\", false, false, ""},
        TitleRow{"EndsInSlash", "/srv/voyages/", false, false, ""},
        TitleRow{"DriveWithoutBackslash", "C:harbour.vyg", false, false, "harbour"},
        TitleRow{"NoExtension", "/srv/voyages/harbour", false, false, "harbour"},
        TitleRow{"KeepExtension", "C:\\v\\harbour.vyg", true, false, "harbour.vyg"},
        TitleRow{"KeepFolderDotInFolder", "C:\\v.old\\harbour", false, true, "C:\\v"},
        TitleRow{"KeepFolderAndExtension", "/srv/v/h.vyg", true, true, "/srv/v/h.vyg"},
        TitleRow{"Empty", "", false, false, ""}),
    [](const ::testing::TestParamInfo<TitleRow>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace pelora
