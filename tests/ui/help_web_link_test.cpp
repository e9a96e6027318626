#include "help_modal_answer.h"

#include "sim/about_text.h"
#include "ui/web_link.h"

#include <QMessageBox>
#include <QWidget>
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace pelora {
namespace {

struct Recorded {
    int questions = 0;
    std::vector<QString> opened;
};

WebLinkServices fakes(Recorded& rec, bool answerOk) {
    WebLinkServices services;
    services.confirm = [&rec, answerOk](QWidget*) {
        ++rec.questions;
        return answerOk;
    };
    services.openBrowser = [&rec](const QString& address) {
        rec.opened.push_back(address);
        return false;  // a failed browser start is not looked at
    };
    return services;
}

TEST(WebLink, CancelOpensNoBrowser) {
    Recorded rec;
    QWidget window;
    EXPECT_FALSE(visitWebsite(&window, fakes(rec, false)));
    EXPECT_EQ(rec.questions, 1);
    EXPECT_TRUE(rec.opened.empty());
}

TEST(WebLink, OkOpensTheSiteAddressOnce) {
    Recorded rec;
    QWidget window;
    EXPECT_TRUE(visitWebsite(&window, fakes(rec, true)));
    EXPECT_EQ(rec.questions, 1);
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened.front(), QString::fromUtf8(kSiteAddress.data()));
}

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

TEST(WebLink, CancelInTheRealBoxOpensNoBrowser) {
    QWidget window;
    std::vector<QString> opened;
    WebLinkServices services;
    services.openBrowser = [&opened](const QString& address) {
        opened.push_back(address);
        return true;
    };
    testing::answerNextMessageBox(QMessageBox::Cancel);
    visitWebsite(&window, services);
    EXPECT_TRUE(opened.empty());
}

}  // namespace
}  // namespace pelora
