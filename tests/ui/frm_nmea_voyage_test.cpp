// The "Voyage" menu and playback, driven through the window's handlers and ticks.
#include <QLabel>
#include <QTemporaryDir>

#include "files/voyage_file.h"
#include "support/failure_text.h"
#include "ui/eliding_label.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

class WindowVoyageTest : public WindowTest {
protected:
    void tick() {
        clock.advance(std::chrono::milliseconds(1000));
        window->Timer1_Timer();
    }
    QString status() const { return child<QLabel>("LAB_NMEA")->text(); }
    QString playing() const { return child<QLabel>("LabPlaying")->text(); }
    std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

    QTemporaryDir dir;
};

TEST_F(WindowVoyageTest, SavesTheSentencesSentSinceRunAndPlaysThemBackOnePerTick) {
    window->CMD_GO_Click(0);
    tick();
    tick();
    tick();
    const std::vector<std::string> sent(window->Voyage_Log().begin(), window->Voyage_Log().end() - 1);
    ASSERT_EQ(sent.size(), 3u);

    fileDialogs.saveNames.push_back(path("harbour.vyg"));
    window->mnuSaveAs_Click();
    const Result<std::vector<std::string>> saved = loadVoyageFile(path("harbour.vyg"));
    ASSERT_TRUE(saved.ok()) << testing::errorText(saved);
    EXPECT_EQ(testing::linesOf(saved), sent);

    fileDialogs.openNames.push_back(path("harbour.vyg"));
    window->mnuLoad_Click();
    for (int i = 0; i < 3; ++i) {
        tick();
        EXPECT_EQ(playing(), QStringLiteral("Playing #%1/3: harbour").arg(i));
        EXPECT_EQ(status().toStdString(), sent[static_cast<std::size_t>(i)] + ": Not Connected.");
    }
    const ShipState shipWhilePlaying = window->ship();
    tick();
    tick();
    EXPECT_EQ(playing(), QStringLiteral("Playing #3/3: harbour"));
    EXPECT_EQ(status(), QStringLiteral(": Not Connected."));
    EXPECT_EQ(window->Voyage_Log().size(), 4u) << "playback records nothing";
    EXPECT_EQ(window->ship().Ship_Lat, shipWhilePlaying.Ship_Lat);

    // End Voyage stops the ship; running again records after the loaded fixes.
    window->mnuNew_Click();
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(playing(), QString());
    window->CMD_GO_Click(0);
    tick();
    ASSERT_EQ(window->Voyage_Log().size(), 5u);
    EXPECT_EQ(std::vector<std::string>(window->Voyage_Log().begin(), window->Voyage_Log().begin() + 3), sent);
    EXPECT_TRUE(errors.empty());
}

TEST_F(WindowVoyageTest, CancelAndFailedLoadKeepTheRecording) {
    window->CMD_GO_Click(0);
    tick();
    tick();
    const std::vector<std::string> before = window->Voyage_Log();

    window->mnuSaveAs_Click();  // cancelled
    window->mnuLoad_Click();    // cancelled
    fileDialogs.openNames.push_back(path("missing.vyg"));
    window->mnuLoad_Click();

    EXPECT_EQ(window->Voyage_Log(), before);
    EXPECT_FALSE(window->voyage().isPlaying());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("missing.vyg"), std::string::npos);
    tick();
    EXPECT_EQ(window->Voyage_Log().size(), before.size() + 1) << "the ship goes on simulating";
}

TEST_F(WindowVoyageTest, AFileWithAnEmptyBareNameLoadsButKeepsSimulating) {
    ASSERT_FALSE(saveVoyageFile(path(".vyg"), std::vector<std::string>{"$GPGLL,A", "$GPGLL,B"}));
    fileDialogs.openNames.push_back(path(".vyg"));
    window->mnuLoad_Click();
    window->CMD_GO_Click(0);
    tick();
    ASSERT_EQ(window->Voyage_Log().size(), 4u);
    EXPECT_EQ(window->Voyage_Log()[0], "$GPGLL,A");
    EXPECT_EQ(window->Voyage_Log()[2].rfind("$GPGLL,54", 0), 0u);
    EXPECT_EQ(playing(), QString());
}

TEST_F(WindowVoyageTest, ALongPlaybackLineIsShortenedInTheMiddleWithTheWholeTextAsToolTip) {
    const std::string name = "a harbour approach with a very long name that the line cannot hold";
    ASSERT_FALSE(saveVoyageFile(path((name + ".vyg").c_str()), std::vector<std::string>{"$GPGLL"}));
    ASSERT_TRUE(window->loadVoyage(path((name + ".vyg").c_str())));
    window->CMD_GO_Click(0);
    tick();
    auto* line = child<ElidingLabel>("LabPlaying");
    const QString whole = QStringLiteral("Playing #0/1: ") + QString::fromStdString(name);
    EXPECT_EQ(line->text(), whole);
    EXPECT_EQ(line->toolTip(), whole);
    const QString shown = line->shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Playing #")) && shown.contains(QChar(0x2026)) &&
                shown.endsWith(QStringLiteral("hold")) && shown.size() < whole.size())
        << shown.toStdString();

    window->mnuNew_Click();
    EXPECT_EQ(line->toolTip(), QString()) << "a text that fits has no tool tip";
}

}  // namespace
}  // namespace pelora::testing
