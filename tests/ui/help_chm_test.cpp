#include "platform/help_viewer.h"
#include "ui/help_chm.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

namespace pelora {
namespace {

struct HtmlHelpCall {
    QWidget* owner;
    QString helpFile;
    int command;
    std::intptr_t data;
};

class RecordingViewer final : public HelpViewer {
public:
    QWidget* HtmlHelp(QWidget* owner, const QString& helpFile, int command,
                      std::intptr_t data) override {
        calls.push_back({owner, helpFile, command, data});
        return nullptr;
    }
    std::vector<HtmlHelpCall> calls;
};

struct OperationRow {
    const char* name;
    std::function<void(HelpViewer&, QWidget*)> operation;
    bool passesOwner;
    int command;
    std::intptr_t data;
};

void PrintTo(const OperationRow& row, std::ostream* out) { *out << row.name; }

class HelpChmOperation : public ::testing::TestWithParam<OperationRow> {};

TEST_P(HelpChmOperation, MakesOneViewerCallWithItsCommandAndData) {
    RecordingViewer viewer;
    QWidget owner;
    GetParam().operation(viewer, &owner);

    ASSERT_EQ(viewer.calls.size(), 1u);
    const HtmlHelpCall& call = viewer.calls.front();
    EXPECT_EQ(call.owner, GetParam().passesOwner ? &owner : nullptr);
    EXPECT_EQ(call.command, GetParam().command);
    EXPECT_EQ(call.data, GetParam().data);
    EXPECT_EQ(call.helpFile, helpFilePath());
}

INSTANTIATE_TEST_SUITE_P(
    Operations, HelpChmOperation,
    ::testing::Values(
        OperationRow{"Index", HELP_CHM::Show_Help_Index, true, 2, 0},
        OperationRow{"Contents", HELP_CHM::Show_Help_Contents, true, 1, 0},
        OperationRow{"TopicTwo",
                     [](HelpViewer& v, QWidget* o) { HELP_CHM::Show_Help_Topic(v, o, 2); }, true, 15, 2},
        OperationRow{"TopicNine",
                     [](HelpViewer& v, QWidget* o) { HELP_CHM::Show_Help_Topic(v, o, 9); }, true, 15, 9},
        OperationRow{"SearchHasNoOwner", HELP_CHM::Show_Help_Search, false, 3, 0}),
    [](const ::testing::TestParamInfo<OperationRow>& info) { return std::string(info.param.name); });

TEST(HelpChm, HelpFileIsPeloraQchBesideTheProgram) {
    const QFileInfo file(helpFilePath());
    EXPECT_EQ(file.fileName(), QStringLiteral("pelora.qch"));
    EXPECT_EQ(file.absolutePath(), QFileInfo(QCoreApplication::applicationFilePath()).absolutePath());
}

}  // namespace
}  // namespace pelora
