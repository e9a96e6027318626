#include "dialogs/qt_config_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace pelora {
namespace {

struct Seen {
    QString text;
    QString title;
    QMessageBox::StandardButtons buttons;
};

// Answers the next modal message box with `button` once it is shown, noting what it showed.
void answerNextBox(QMessageBox::StandardButton button, Seen& seen) {
    QTimer::singleShot(0, [button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->text(), box->windowTitle(), box->standardButtons()};
        box->button(button)->click();
    });
}

TEST(QtConfigDialogs, AskShowsYesNoCancelAndGivesTheAnswer) {
    QtConfigDialogs dialogs;
    const std::pair<QMessageBox::StandardButton, DialogAnswer> rows[] = {
        {QMessageBox::Yes, DialogAnswer::Yes},
        {QMessageBox::No, DialogAnswer::No},
        {QMessageBox::Cancel, DialogAnswer::Cancel}};
    for (const auto& [button, answer] : rows) {
        Seen seen;
        answerNextBox(button, seen);
        EXPECT_EQ(dialogs.askYesNoCancel("Save new values?", "Tarnvel"), answer);
        EXPECT_EQ(seen.text, "Save new values?");
        EXPECT_EQ(seen.title, "Tarnvel");
        EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    }
}

TEST(QtConfigDialogs, MessageHasOnlyAnOkButton) {
    QtConfigDialogs dialogs;
    Seen seen;
    answerNextBox(QMessageBox::Ok, seen);
    dialogs.showMessage("Error: 5.", "pelora");
    EXPECT_EQ(seen.text, "Error: 5.");
    EXPECT_EQ(seen.title, "pelora");
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

}  // namespace
}  // namespace pelora
