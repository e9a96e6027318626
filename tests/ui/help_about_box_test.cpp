#include "help_modal_answer.h"

#include "dialogs/about_text.h"
#include "dialogs/about_box.h"

#include <QMessageBox>
#include <QWidget>
#include <gtest/gtest.h>

namespace pelora {
namespace {

TEST(AboutBox, IsTitledAboutWithTheInformationIconAndOkOnly) {
    QWidget window;
    const auto box = makeAboutBox(&window, QStringLiteral("1.1.12"), 2026);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->text(), QString::fromStdString(About_Text("1.1.12", 2026)));
}

TEST(AboutBox, ShowsModallyUntilOk) {
    QWidget window;
    QString shown;
    bool modal = false;
    testing::answerNextMessageBox(QMessageBox::Ok, [&](QMessageBox& box) {
        shown = box.text();
        modal = box.isModal();
    });
    showAboutBox(&window, QStringLiteral("1.1.12"), 2030);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(shown.startsWith("Pelora 1.1.12   \r\n"));
    EXPECT_TRUE(shown.contains("2030"));
}

}  // namespace
}  // namespace pelora
