#include "help_modal_answer.h"

#include "dialogs/about_text.h"
#include "dialogs/web_link.h"

#include <QMessageBox>
#include <QWidget>
#include <gtest/gtest.h>

#include <ostream>

namespace pelora {
namespace {

TEST(WebLink, QuestionBoxHasNoIconOkAndCancelAndTheTitle) {
    QWidget window;
    const auto box = makeOnlineQuestionBox(&window);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Pelora"));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box->text(),
              QStringLiteral("Ensure you are online ... and then click OK to activate your browser connection"));
}

struct AnswerRow {
    const char* name;
    QMessageBox::StandardButton button;  // NoButton: the box is closed
    bool confirmed;
};

void PrintTo(const AnswerRow& row, std::ostream* out) { *out << row.name; }

class WebLinkQuestion : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(WebLinkQuestion, RealBoxConfirmsOnlyOnOk) {
    QWidget window;
    bool modal = false;
    testing::answerNextMessageBox(GetParam().button, [&](QMessageBox& box) { modal = box.isModal(); });
    EXPECT_EQ(askOnline(&window), GetParam().confirmed);
    EXPECT_TRUE(modal);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, WebLinkQuestion,
    ::testing::Values(AnswerRow{"Ok", QMessageBox::Ok, true},
                      AnswerRow{"Cancel", QMessageBox::Cancel, false},
                      AnswerRow{"Closed", QMessageBox::NoButton, false}),
    [](const ::testing::TestParamInfo<AnswerRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
