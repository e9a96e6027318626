// The Help menu and the logo, driven through the window's handlers.
#include "platform/qt_help_viewer.h"
#include "dialogs/about_text.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

using WindowHelpTest = WindowTest;

TEST_F(WindowHelpTest, IndexOpensTheHelpFileBesideTheProgramOnItsIndexOwnedByTheWindow) {
    window->HelpIndex_Click();
    ASSERT_EQ(helpViewer.calls.size(), 1u);
    EXPECT_EQ(helpViewer.calls[0].owner, static_cast<WindowHandle>(window->winId()));
    EXPECT_EQ(helpViewer.calls[0].command, kHelpDisplayIndex);
    EXPECT_EQ(helpViewer.calls[0].data, 0);
    EXPECT_TRUE(helpViewer.calls[0].file.ends_with("/pelora.qch")) << helpViewer.calls[0].file;
}

TEST_F(WindowHelpTest, AboutShowsTheVersionAndTheYearOfTheDayItIsOpened) {
    window->HelpAbout_Click();
    clock.local.year = 2031;
    window->HelpAbout_Click();
    EXPECT_EQ(dialogs.about, std::vector<std::string>({"1.1.12 2024", "1.1.12 2031"}));
}

TEST_F(WindowHelpTest, TheLogoOpensTheSiteOnlyAfterOk) {
    window->Image1_Click();
    EXPECT_TRUE(browser.opened.empty());
    confirmBrowser = true;
    window->Image1_Click();
    EXPECT_EQ(browser.opened, std::vector<std::string>{std::string(kSiteAddress)});
    EXPECT_EQ(child<QWidget>("Image1")->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WindowHelpTest, AMissingHelpFileLeavesTheShipRunning) {
    QtHelpViewer real;
    window->CMD_GO_Click(0);
    EXPECT_FALSE(real.HtmlHelp(window->winId(), "/nonexistent/pelora.qch", kHelpDisplayIndex, 0));
    clock.advance(std::chrono::milliseconds(1000));
    window->Timer1_Timer();
    EXPECT_EQ(window->Voyage_Log().size(), 2u);
}

}  // namespace
}  // namespace pelora::testing
