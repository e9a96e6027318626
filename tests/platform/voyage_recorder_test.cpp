#include "files/voyage_recorder.h"
#include "support/failure_text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "file_size_limit.h"
#include "support/file_bytes.h"

namespace pelora {
namespace {

using testing::FileSizeLimit;

class VoyageRecorderTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (m_dir.path() + "/").toStdString() + name; }
    QTemporaryDir m_dir;
};

struct StartRow {
    const char* name;
    const char* before;  // the file's content before recording; nullptr: no file
    const char* after;   // after recording "A" and "B"
};

class VoyageRecorderStart : public VoyageRecorderTest, public ::testing::WithParamInterface<StartRow> {};

// Each line is in the file, whole, as soon as append() returns.
TEST_P(VoyageRecorderStart, AppendsEachLineWithCrLfAtOnce) {
    const std::string file = path("voyage.vyg");
    if (GetParam().before != nullptr) writeBytes(file, GetParam().before);
    VoyageRecorder recorder(file);
    EXPECT_EQ(recorder.open(), std::nullopt);
    EXPECT_EQ(recorder.append("A"), std::nullopt);
    const std::string afterA = std::string(GetParam().after).substr(0, std::string(GetParam().after).size() - 3);
    EXPECT_EQ(readBytes(file), afterA);
    EXPECT_EQ(recorder.append("B"), std::nullopt);
    EXPECT_EQ(readBytes(file), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Voyage, VoyageRecorderStart,
                         ::testing::Values(StartRow{"NewFile", nullptr, "A\r\nB\r\n"},
                                           StartRow{"EmptyFile", "", "A\r\nB\r\n"},
                                           StartRow{"AfterWholeLines", "old\r\n", "old\r\nA\r\nB\r\n"},
                                           StartRow{"AfterAHalfLine", "old", "old\r\nA\r\nB\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The disk fills up: the line that does not fit is taken back whole, the failure is told
// once, and recording goes on when there is room again.
TEST_F(VoyageRecorderTest, AFullDiskIsToldOnceAndLeavesOnlyWholeLines) {
    const std::string file = path("voyage.vyg");
    const std::string line(38, 'x');  // 40 bytes with CR LF
    VoyageRecorder recorder(file);
    ASSERT_EQ(recorder.open(), std::nullopt);
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.active());
        EXPECT_EQ(recorder.append(line), std::nullopt);
        EXPECT_EQ(recorder.append(line), std::nullopt);
        const std::optional<std::string> failure = testing::messageOf(recorder.append(line));
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(*failure, "The voyage could not be recorded to \"" + file + "\": File too large.");
        EXPECT_EQ(recorder.append(line), std::nullopt) << "told once";
        EXPECT_TRUE(recorder.isFailing());
        EXPECT_EQ(readBytes(file), line + "\r\n" + line + "\r\n");
    }
    EXPECT_EQ(recorder.append("C"), std::nullopt);
    EXPECT_FALSE(recorder.isFailing());
    EXPECT_EQ(readBytes(file), line + "\r\n" + line + "\r\nC\r\n");
}

TEST_F(VoyageRecorderTest, AFileRemovedIsToldAndRecordedAfresh) {
    const std::string file = path("voyage.vyg");
    VoyageRecorder recorder(file);
    EXPECT_EQ(recorder.append("A"), std::nullopt);
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file)));
    const std::optional<std::string> told = testing::messageOf(recorder.append("B"));
    ASSERT_TRUE(told.has_value());
    EXPECT_NE(told->find("removed"), std::string::npos) << *told;
    EXPECT_EQ(recorder.append("C"), std::nullopt);
    EXPECT_EQ(readBytes(file), "B\r\nC\r\n");
}

// A folder that is not there yet: told once, and the lines go in once it is made.
TEST_F(VoyageRecorderTest, AMissingFolderIsToldOnceAndRecordingStartsWhenItComes) {
    const std::string file = path("later/voyage.vyg");
    VoyageRecorder recorder(file);
    const std::optional<std::string> failure = testing::messageOf(recorder.open());
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("No such file or directory"), std::string::npos) << *failure;
    EXPECT_EQ(recorder.append("A"), std::nullopt);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("later"));
    EXPECT_EQ(recorder.append("B"), std::nullopt);
    EXPECT_EQ(readBytes(file), "B\r\n");
}

// A pipe nobody reads would hold the tick forever; it is refused at once.
TEST_F(VoyageRecorderTest, RefusesAPipeWithoutWaiting) {
    const std::string pipe = path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    VoyageRecorder recorder(pipe);
    const std::optional<std::string> failure = testing::messageOf(recorder.open());
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("not a regular file"), std::string::npos) << *failure;
}

}  // namespace
}  // namespace pelora
