// The atomic writer on real files, its file-system calls watched and failed one at a time
// through its seam, and the new files that writers killed in the middle of a save leave.

#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "support/file_bytes.h"

namespace pelora {
namespace {

// The system's calls, each one named in `made` as it is made; the one named `failing` fails
// with `error` instead (a close still closes, as the system's does).
class WatchedCalls : public FileSystemCalls {
public:
    std::vector<std::string> made;
    std::string failing;
    int error = 0;

    int openFile(const char* path, int flags, mode_t mode) override {
        return pass("open") ? FileSystemCalls::openFile(path, flags, mode) : -1;
    }
    ssize_t writeFile(int fd, const void* data, std::size_t size) override {
        return pass("write") ? FileSystemCalls::writeFile(fd, data, size) : -1;
    }
    int syncFile(int fd) override { return pass("fsync") ? FileSystemCalls::syncFile(fd) : -1; }
    int closeFile(int fd) override {
        const bool passes = pass("close");
        const int closed = FileSystemCalls::closeFile(fd);
        if (!passes) errno = error;
        return passes ? closed : -1;
    }
    int renameFile(const char* from, const char* to) override {
        return pass("rename") ? FileSystemCalls::renameFile(from, to) : -1;
    }
    int syncFolder(const char* folder) override { return pass("fsync folder") ? FileSystemCalls::syncFolder(folder) : -1; }
    int removeFile(const char* path) override { return pass("remove") ? FileSystemCalls::removeFile(path) : -1; }

private:
    bool pass(const char* name) {
        made.emplace_back(name);
        if (failing != name) return true;
        errno = error;
        return false;
    }
};

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        writeBytes(path(), kOld);
    }

    std::string path() const { return m_folder.path().toStdString() + "/pelora.ini"; }
    std::string bytes() const { return readBytes(path()); }
    QStringList others() const {
        return QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tmp-"));
    }

    static constexpr char kOld[] = "[FRM_NMEA]\ntxt_SPEED=6\n";
    static constexpr char kNew[] = "[FRM_NMEA]\ntxt_SPEED=12\n";
    QTemporaryDir m_folder;
};

TEST_F(AtomicFileTest, WritesFlushesClosesRenamesAndFlushesTheFolderInThatOrder) {
    WatchedCalls calls;
    ASSERT_FALSE(writeFileAtomically(path(), kNew, calls));
    EXPECT_EQ(calls.made, (std::vector<std::string>{"open", "write", "fsync", "close", "rename", "fsync folder"}));
    EXPECT_EQ(bytes(), kNew);
    EXPECT_EQ(others(), QStringList());
}

struct FailingCall {
    const char* name;
    const char* call;
    int error;
    bool newContent;  // what the file holds afterwards
};

void PrintTo(const FailingCall& row, std::ostream* out) { *out << row.name; }

class FailingCallTest : public AtomicFileTest, public ::testing::WithParamInterface<FailingCall> {};

TEST_P(FailingCallTest, IsReportedAndLeavesNoNewFile) {
    WatchedCalls calls;
    calls.failing = GetParam().call;
    calls.error = GetParam().error;
    const std::error_code error = writeFileAtomically(path(), kNew, calls);
    EXPECT_EQ(error.value(), GetParam().error) << error.message();
    EXPECT_EQ(bytes(), GetParam().newContent ? kNew : kOld);
    EXPECT_EQ(others(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, FailingCallTest,
    ::testing::Values(FailingCall{"WriteOnAFullDisk", "write", ENOSPC, false},
                      FailingCall{"FlushToABrokenDisk", "fsync", EIO, false},
                      FailingCall{"CloseOnNfs", "close", EIO, false},
                      FailingCall{"Rename", "rename", EACCES, false},
                      // The new content is in place, but may not survive a crash: that is said.
                      FailingCall{"FolderFlush", "fsync folder", EIO, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A writer killed (kill -9) between its write and its rename leaves its new file; the next save
// removes it, and leaves the new files of writers still at work.
TEST_F(AtomicFileTest, NewFilesOfKilledWritersGoAtTheNextSave) {
    struct KilledAtTheFlush : FileSystemCalls {
        int syncFile(int) override { return ::raise(SIGKILL); }
    };
    const pid_t writer = ::fork();
    if (writer == 0) {
        KilledAtTheFlush calls;
        writeFileAtomically(path(), kNew, calls);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));
    const QStringList left = others();
    ASSERT_EQ(left.size(), 1) << "the killed writer left its new file";
    const QString working = QStringLiteral(".pelora.ini.tmp-%1-0").arg(::getppid());
    QFile busy(m_folder.path() + "/" + working);
    ASSERT_TRUE(busy.open(QIODevice::WriteOnly));
    busy.close();

    ASSERT_FALSE(writeFileAtomically(path(), kNew));
    EXPECT_EQ(bytes(), kNew);
    EXPECT_EQ(others(), QStringList{working});
}

}  // namespace
}  // namespace pelora
