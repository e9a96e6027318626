#include "ui/voyage_commands.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "files/voyage_file.h"
#include "support/failure_text.h"
#include "support/file_bytes.h"

namespace pelora {

using testing::errorText;
using testing::linesOf;
namespace {

using Lines = std::vector<std::string>;

// Answers the dialogs from a queue; an answer of nothing is Cancel.
class ScriptedDialogs : public FileDialogs {
public:
    std::optional<std::string> saveFileName() override { return next(); }
    std::optional<std::string> openFileName() override { return next(); }
    std::optional<std::string> saveFileName(FileKind) override { return next(); }
    std::optional<std::string> openFileName(FileKind) override { return next(); }
    void fileUsed(const std::string& path) override { used.push_back(path); }
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> used;  // the files told as saved or loaded

private:
    std::optional<std::string> next() {
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class VoyageCommandsTest : public ::testing::Test {
protected:
    VoyageCommandsTest()
        : m_commands(m_voyage, m_dialogs,
                     {[this](const std::string& message) { m_errors.push_back(message); },
                      [](const std::string& path) {
                          const std::string name = path.substr(path.rfind('/') + 1);
                          return name.substr(0, name.rfind('.'));
                      },
                      [this] { ++m_stops; },
                      [this](const std::string& caption) { m_captions.push_back(caption); }}) {}

    std::string path(const std::string& name) const { return (m_dir.path() + "/").toStdString() + name; }
    Lines fixes() const { return Lines(m_voyage.fixes().begin(), m_voyage.fixes().end()); }

    QTemporaryDir m_dir;
    VoyageLog m_voyage;
    ScriptedDialogs m_dialogs;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_captions;
    int m_stops = 0;
    VoyageCommands m_commands;
};

// Record, save, load back and play: the ticks send the saved fixes in order, then empty lines.
TEST_F(VoyageCommandsTest, SavedVoyageLoadsAndPlaysBack) {
    for (const char* sentence : {"$GPGLL,1", "$GPGLL,2", "$GPGLL,3"}) m_voyage.record(sentence);
    m_dialogs.answers = {path("harbour.vyg"), path("harbour.vyg")};
    ASSERT_TRUE(m_commands.saveVoyage());
    EXPECT_EQ(readBytes(path("harbour.vyg")), "$GPGLL,1\r\n$GPGLL,2\r\n$GPGLL,3\r\n");

    ASSERT_TRUE(m_commands.loadVoyage());
    ASSERT_TRUE(m_voyage.isPlaying());
    std::vector<std::string> sent;
    for (int tick = 0; tick < 4; ++tick) sent.push_back(m_commands.playNext());
    EXPECT_EQ(sent, (Lines{"$GPGLL,1", "$GPGLL,2", "$GPGLL,3", ""}));
    EXPECT_EQ(m_captions.back(), "Playing #3/3: harbour");
    EXPECT_TRUE(m_errors.empty());
    EXPECT_EQ(m_dialogs.used, (Lines{path("harbour.vyg"), path("harbour.vyg")}));
}

TEST_F(VoyageCommandsTest, EndVoyageStopsTheShipClearsTheCaptionAndRecordsAfterTheLoadedFixes) {
    m_voyage.replace({"A", "B"}, "harbour");
    m_commands.playNext();
    m_commands.endVoyage();
    EXPECT_FALSE(m_voyage.isPlaying());
    EXPECT_EQ(m_stops, 1);
    EXPECT_EQ(m_captions.back(), "");
    m_voyage.record("new");
    EXPECT_EQ(fixes(), (Lines{"A", "B", "new"}));
}

TEST_F(VoyageCommandsTest, CancelChangesNothing) {
    m_voyage.replace({"A", "B"}, "harbour");
    m_dialogs.answers = {std::nullopt, std::nullopt};
    EXPECT_FALSE(m_commands.saveVoyage());
    EXPECT_FALSE(m_commands.loadVoyage());
    EXPECT_EQ(fixes(), (Lines{"A", "B"}));
    EXPECT_TRUE(m_voyage.isPlaying()) << "a cancelled load leaves playback as it was";
    EXPECT_TRUE(m_errors.empty());
    EXPECT_TRUE(m_captions.empty());
}

struct FailedLoadRow {
    const char* name;
    const char* file;      // in the test folder; "empty.vyg" is empty, "binary.vyg" a program
    const char* reason;
};

class VoyageCommandsFailedLoad : public VoyageCommandsTest,
                                 public ::testing::WithParamInterface<FailedLoadRow> {};

// A load that fails keeps the recording, shows one message naming the file, and leaves
// playback off with an empty caption.
TEST_P(VoyageCommandsFailedLoad, KeepsTheRecordingAndReports) {
    QFile empty(QString::fromStdString(path("empty.vyg")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile binary(QString::fromStdString(path("binary.vyg")));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    binary.write("$GPGLL,1\r\n\x7f" "ELF\x02\x01\x01\0\0", 19);
    binary.close();
    m_voyage.replace({"played", "recorded"}, "before");  // playing when the load is asked for

    m_dialogs.answers = {path(GetParam().file)};
    EXPECT_FALSE(m_commands.loadVoyage());
    EXPECT_EQ(fixes(), (Lines{"played", "recorded"}));
    EXPECT_FALSE(m_voyage.isPlaying());
    EXPECT_EQ(m_captions, (Lines{""}));
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_NE(m_errors[0].find(path(GetParam().file)), std::string::npos) << m_errors[0];
    EXPECT_NE(m_errors[0].find(GetParam().reason), std::string::npos) << m_errors[0];
    EXPECT_TRUE(m_dialogs.used.empty()) << "a failed load leaves the dialogs where they were";
}

INSTANTIATE_TEST_SUITE_P(Voyage, VoyageCommandsFailedLoad,
                         ::testing::Values(FailedLoadRow{"Missing", "missing.vyg", "does not exist"},
                                           FailedLoadRow{"Empty", "empty.vyg", "no fixes"},
                                           FailedLoadRow{"BinaryData", "binary.vyg", "it is not a voyage"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoyageCommandsTest, FailedSaveIsShownAndTheVoyageGoesOn) {
    m_voyage.record("A");
    m_dialogs.answers = {path("nowhere/harbour.vyg")};
    EXPECT_FALSE(m_commands.saveVoyage());
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_NE(m_errors[0].find(path("nowhere/harbour.vyg")), std::string::npos) << m_errors[0];
    EXPECT_EQ(fixes(), (Lines{"A"}));
    EXPECT_TRUE(m_dialogs.used.empty()) << "a failed save leaves the dialogs where they were";
}

TEST_F(VoyageCommandsTest, FileWithEmptyBareNameLoadsButKeepsSimulating) {
    ASSERT_FALSE(saveVoyageFile(path(".vyg"), Lines{"A", "B"}));
    m_dialogs.answers = {path(".vyg")};
    ASSERT_TRUE(m_commands.loadVoyage());
    EXPECT_FALSE(m_voyage.isPlaying());
    m_voyage.record("sim");
    EXPECT_EQ(fixes(), (Lines{"A", "B", "sim"}));
}

}  // namespace
}  // namespace pelora
