#include "ui/help_chm.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "platform/help_viewer.h"
#include "platform/qt_help_viewer.h"
#include "support/fakes.h"

#include <functional>
#include <ostream>
#include <vector>

namespace pelora {
namespace {

using testing::RecordingHelpViewer;

struct OperationRow {
    const char* name;
    std::function<void(HelpViewer&, WindowHandle)> operation;
    bool passesOwner;
    int command;
    std::intptr_t data;
};

void PrintTo(const OperationRow& row, std::ostream* out) { *out << row.name; }

class HelpChmOperation : public ::testing::TestWithParam<OperationRow> {};

TEST_P(HelpChmOperation, MakesOneViewerCallWithItsCommandAndData) {
    constexpr WindowHandle kOwner = 0x2a00007;
    RecordingHelpViewer viewer;
    GetParam().operation(viewer, kOwner);

    ASSERT_EQ(viewer.calls.size(), 1u);
    const RecordingHelpViewer::Call& call = viewer.calls.front();
    EXPECT_EQ(call.owner, GetParam().passesOwner ? kOwner : 0);
    EXPECT_EQ(call.command, GetParam().command);
    EXPECT_EQ(call.data, GetParam().data);
    EXPECT_EQ(call.file, helpFilePath().toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Operations, HelpChmOperation,
    ::testing::Values(
        OperationRow{"Index", [](HelpViewer& v, WindowHandle o) { HELP_CHM::Show_Help_Index(v, o); }, true, 2, 0},
        OperationRow{"Contents", HELP_CHM::Show_Help_Contents, true, 1, 0},
        OperationRow{"TopicTwo",
                     [](HelpViewer& v, WindowHandle o) { HELP_CHM::Show_Help_Topic(v, o, 2); }, true, 15, 2},
        OperationRow{"TopicNine",
                     [](HelpViewer& v, WindowHandle o) { HELP_CHM::Show_Help_Topic(v, o, 9); }, true, 15, 9},
        OperationRow{"SearchHasNoOwner", HELP_CHM::Show_Help_Search, false, 3, 0}),
    [](const ::testing::TestParamInfo<OperationRow>& info) { return std::string(info.param.name); });

TEST(HelpChm, HelpFileIsPeloraQchBesideTheProgram) {
    const QFileInfo file(helpFilePath());
    EXPECT_EQ(file.fileName(), QStringLiteral("pelora.qch"));
    EXPECT_EQ(file.absolutePath(), QFileInfo(QCoreApplication::applicationFilePath()).absolutePath());
}

}  // namespace
}  // namespace pelora
