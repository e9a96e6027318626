// A voyage through the real window, real files and a real serial line: run, save, load it
// back, and the saved sentences go out again one a tick.

#include <QPushButton>

#include "e2e_fixture.h"

namespace pelora::testing {
namespace {

class VoyageEndToEndTest : public EndToEndTest {};

TEST_F(VoyageEndToEndTest, SavedVoyagePlaysBackOnTheLineOneSentenceATickUntilEndVoyage) {
    SocatPair& pair = startPair(1);
    startWindow();
    ASSERT_EQ(status(), "Port:  1: OK");
    FarEnd far(pair.far());
    ASSERT_TRUE(far.isOpen());

    window->CMD_GO_Click(0);
    std::vector<std::string> sent;
    for (int n = 0; n < 3; ++n) {
        tick();
        sent.push_back(readLine(far));
        ASSERT_EQ(sent.back(), status() + "\r\n");
    }

    const QString path = folder() + QStringLiteral("/harbour.vyg");
    fileDialogs.saveNames.push_back(path.toStdString());
    window->mnuSaveAs_Click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), sent[0] + sent[1] + sent[2]) << "one CR LF line a fix";

    fileDialogs.openNames.push_back(path.toStdString());
    window->mnuLoad_Click();
    auto* playing = child<QLabel>("LabPlaying");
    for (int n = 0; n < 3; ++n) {
        tick();
        EXPECT_EQ(readLine(far), sent[static_cast<std::size_t>(n)]) << "fix " << n;
        EXPECT_EQ(playing->text(), QStringLiteral("Playing #%1/3: harbour").arg(n));
    }
    tick();
    EXPECT_EQ(readLine(far), "\r\n") << "after the last fix, empty lines";
    EXPECT_EQ(playing->text(), QStringLiteral("Playing #3/3: harbour"));

    window->mnuNew_Click();
    EXPECT_FALSE(window->Running());
    EXPECT_FALSE(child<QPushButton>("CMD_GO_1")->isEnabled()) << "End Voyage stops as Stop does";
    EXPECT_EQ(playing->text(), QString());
    tick();
    EXPECT_EQ(far.read(1, 200ms), "") << "a stopped ship sends nothing";
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace pelora::testing
