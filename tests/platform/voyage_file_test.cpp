#include "files/voyage_file.h"
#include "support/failure_text.h"
#include "sim/voyage_text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_size_limit.h"
#include "support/file_bytes.h"

namespace pelora {

using testing::errorText;
using testing::linesOf;
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

bool isRoot() { return ::geteuid() == 0; }

bool isCharacterDevice(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// RMC-like sentences of realistic length.
Lines sentences(std::size_t count) {
    Lines lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*" +
                        std::to_string(i % 100));
    }
    return lines;
}

using testing::FileSizeLimit;

class VoyageFile : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (m_dir.path() + "/").toStdString() + name; }
    QStringList entries() const { return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir m_dir;
};

TEST_F(VoyageFile, SavesThreeFixesAsThreeCrLfLinesAndLoadsThemBack) {
    const Lines fixes = {"$GPGLL,5000.000,N,00100.000,W,120000,A*3C", "$GPGLL,2", "$GPGLL,3"};
    const std::string file = path("harbour.vyg");
    const std::optional<Failure> saved = saveVoyageFile(file, fixes);
    ASSERT_TRUE(!saved) << errorText(saved);
    EXPECT_EQ(readBytes(file), "$GPGLL,5000.000,N,00100.000,W,120000,A*3C\r\n$GPGLL,2\r\n$GPGLL,3\r\n");

    const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
    ASSERT_TRUE(loaded.ok()) << errorText(loaded);
    EXPECT_EQ(linesOf(loaded), fixes);
}

TEST_F(VoyageFile, OverwritesAnExistingFileWhole) {
    const std::string file = path("harbour.vyg");
    writeBytes(file, "a much longer old voyage\r\nwith two lines\r\n");
    ASSERT_FALSE(saveVoyageFile(file, Lines{"new"}));
    EXPECT_EQ(readBytes(file), "new\r\n");
}

TEST_F(VoyageFile, SavingNoFixesWritesAnEmptyFileWhichDoesNotLoad) {
    const std::string file = path("empty.vyg");
    ASSERT_FALSE(saveVoyageFile(file, Lines{}));
    EXPECT_EQ(readBytes(file), "");

    const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
    EXPECT_FALSE(loaded.ok());
    EXPECT_TRUE(linesOf(loaded).empty());
    EXPECT_NE(errorText(loaded).find(file), std::string::npos) << errorText(loaded);
    EXPECT_NE(errorText(loaded).find("no fixes"), std::string::npos) << errorText(loaded);
}

// A week at one fix a second, every fix as long as the longest NMEA sentence, loads whole.
TEST_F(VoyageFile, AWeekOfTheLongestSentencesRoundTrips) {
    constexpr std::size_t kWeekOfFixes = 7 * 24 * 3600;
    Lines fixes(kWeekOfFixes, "$GPRMC," + std::string(75, '0'));
    fixes.back() = "$GPGLL,last";
    ASSERT_EQ(fixes.front().size(), 82u);
    const std::string file = path("week.vyg");
    ASSERT_FALSE(saveVoyageFile(file, fixes));
    const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
    ASSERT_TRUE(loaded.ok()) << errorText(loaded);
    EXPECT_TRUE(linesOf(loaded) == fixes);
}

// Bytes that a log from a real receiver may hold survive save and load unchanged, and a
// line as long as a voyage line may be stays whole across the read blocks.
TEST_F(VoyageFile, UnusualBytesAndTheLongestLineRoundTrip) {
    const Lines fixes = {"tab\tinside", "lone\rCR", "", "\xff\xfe", std::string(kMaxVoyageLineBytes, 'x'), "last"};
    const std::string file = path("odd.vyg");
    ASSERT_FALSE(saveVoyageFile(file, fixes));
    const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
    ASSERT_TRUE(loaded.ok()) << errorText(loaded);
    EXPECT_TRUE(linesOf(loaded) == fixes);
}

TEST_F(VoyageFile, LoadsLineFeedEndsAndALastLineWithoutEnd) {
    const std::string file = path("receiver.vyg");
    writeBytes(file, "$GPGGA,1\n$GPRMC,2\r\n$GPGLL,3");
    const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
    ASSERT_TRUE(loaded.ok()) << errorText(loaded);
    EXPECT_EQ(linesOf(loaded), (Lines{"$GPGGA,1", "$GPRMC,2", "$GPGLL,3"}));
}

struct FullDiskRow {
    const char* name;
    std::size_t fixCount;  // small voyages fail when the file is committed, large ones while writing
};

class VoyageFileFullDisk : public VoyageFile, public ::testing::WithParamInterface<FullDiskRow> {};

// The disk fills up while the voyage is written: the error names the file and the cause, the
// old file keeps its content, and no temporary file is left beside it.
TEST_P(VoyageFileFullDisk, FailedSaveLeavesTheOldFileIntact) {
    const std::string file = path("harbour.vyg");
    const std::string old = "$GPGLL,old voyage\r\n";
    writeBytes(file, old);

    std::optional<Failure> saved;
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        saved = saveVoyageFile(file, sentences(GetParam().fixCount));
    }
    EXPECT_FALSE(!saved);
    EXPECT_NE(errorText(saved).find(file), std::string::npos) << errorText(saved);
    EXPECT_NE(errorText(saved).find("File too large"), std::string::npos) << errorText(saved);
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(entries(), QStringList{"harbour.vyg"});
}

INSTANTIATE_TEST_SUITE_P(Voyage, VoyageFileFullDisk,
                         ::testing::Values(FullDiskRow{"SmallVoyage", 100}, FullDiskRow{"LargeVoyage", 40'000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoyageFile, SaveIntoAReadOnlyFolderFailsAndLeavesTheOldFile) {
    if (isRoot()) GTEST_SKIP() << "permissions do not bind root";
    const std::string file = path("harbour.vyg");
    writeBytes(file, "old\r\n");
    ASSERT_EQ(::chmod(m_dir.path().toLocal8Bit().constData(), 0555), 0);
    const std::optional<Failure> saved = saveVoyageFile(file, Lines{"new"});
    ::chmod(m_dir.path().toLocal8Bit().constData(), 0755);
    EXPECT_FALSE(!saved);
    EXPECT_NE(errorText(saved).find(file), std::string::npos) << errorText(saved);
    EXPECT_NE(errorText(saved).find("ermission denied"), std::string::npos) << errorText(saved);
    EXPECT_EQ(readBytes(file), "old\r\n");
}

// A character device is written in place, never replaced by a file. /dev/full reports a full
// disk. As root, where a rename over /dev entries would succeed, the test uses its own copy
// of the device node so that a fault could never damage the system's /dev/full.
TEST_F(VoyageFile, SaveToAFullDeviceReportsAndKeepsTheDevice) {
    std::string device = "/dev/full";
    if (isRoot()) {
        device = path("full");
        if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
            GTEST_SKIP() << "cannot make a device node here";
        }
    }
    ASSERT_TRUE(isCharacterDevice(device));
    const std::optional<Failure> saved = saveVoyageFile(device, sentences(10));
    EXPECT_FALSE(!saved);
    EXPECT_NE(errorText(saved).find(device), std::string::npos) << errorText(saved);
    EXPECT_NE(errorText(saved).find("No space left on device"), std::string::npos) << errorText(saved);
    EXPECT_TRUE(isCharacterDevice(device));
}

struct BadTargetRow {
    const char* name;
    std::string target;  // relative to the test folder, unless it starts with '/'
    const char* reason;
    std::string content = {};        // when not empty, the target is written with it
    std::uintmax_t sparseBytes = 0;  // when not zero, the target is a sparse file this long
};

class VoyageFileBadTarget : public VoyageFile, public ::testing::WithParamInterface<BadTargetRow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder"));
        writeBytes(path("empty.vyg"), "");
        if (!GetParam().content.empty()) {
            writeBytes(path(GetParam().target), GetParam().content);
        }
        if (GetParam().sparseBytes != 0) {
            QFile file(QString::fromStdString(path(GetParam().target)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(file.resize(static_cast<qint64>(GetParam().sparseBytes)));
        }
    }
};

TEST_P(VoyageFileBadTarget, LoadReportsTheFileAndTheCause) {
    const std::string file = GetParam().target.starts_with('/') ? GetParam().target : path(GetParam().target);
    const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
    EXPECT_FALSE(loaded.ok());
    EXPECT_TRUE(linesOf(loaded).empty());
    EXPECT_NE(errorText(loaded).find(file), std::string::npos) << errorText(loaded);
    EXPECT_NE(errorText(loaded).find(GetParam().reason), std::string::npos) << errorText(loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Voyage, VoyageFileBadTarget,
    ::testing::Values(BadTargetRow{"Missing", "missing.vyg", "does not exist"},
                      BadTargetRow{"MissingFolder", "nowhere/harbour.vyg", "does not exist"},
                      BadTargetRow{"Folder", "folder", "folder"},
                      BadTargetRow{"EmptyFile", "empty.vyg", "no fixes"},
                      // Waits for the next kernel message when read: the load must not read it.
                      BadTargetRow{"KernelMessages", "/proc/kmsg", "no fixes"},
                      BadTargetRow{"BinaryData", "binary.vyg", "line 2 holds binary data (byte 0x00), so it is not a voyage",
                                   "$GPGLL,1\r\n\0\x01\x02\r\n"s},
                      BadTargetRow{"LineFarLongerThanASentence", "long.vyg",
                                   "line 1 is longer than 1024 characters, so it is not a voyage line",
                                   std::string(2u << 20, 'x')},
                      BadTargetRow{"MoreLinesThanAVoyage", "lines.vyg", "it holds more than 1000000 lines",
                                   std::string(kMaxVoyageLines + 1, '\n')},
                      BadTargetRow{"LargerThanAVoyage", "large.vyg", "it is larger than 96 MB", {},
                                   kMaxVoyageFileBytes + 1}),
    [](const auto& info) { return std::string(info.param.name); });

// The address space this process has mapped (VmSize of /proc/self/status), or 0.
std::uintmax_t mappedBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmSize:")) {
            return line.mid(7).trimmed().split(' ').front().toULongLong() * 1024;  // in kB
        }
    }
    return 0;
}

struct AddressLimitRow {
    const char* name;
    std::string (*content)();
    std::uintmax_t headroomBytes;  // address space allowed beyond what the process has mapped
    const char* reason;
};

class VoyageFileUnderAddressLimit : public VoyageFile, public ::testing::WithParamInterface<AddressLimitRow> {};

// Loading under an address-space limit returns a failure instead of ending the program
// with an allocation failure. The load runs in a child process of its own (a death test
// that starts the test program afresh, so that no other thread is about).
TEST_P(VoyageFileUnderAddressLimit, LoadReturnsAFailureInsteadOfEndingTheProgram) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit allows";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const AddressLimitRow& row = GetParam();
    EXPECT_EXIT(
        {
            const std::string file = path("voyage.vyg");
            writeBytes(file, row.content());
            rlimit limit{};
            ::getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = static_cast<rlim_t>(mappedBytes() + row.headroomBytes);
            if (::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
            bool refused = false;
            try {
                const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
                refused = !loaded.ok() && errorText(loaded).find(row.reason) != std::string::npos;
            } catch (...) {
                // Escaped the load: the program would have ended.
            }
            m_dir.remove();
            std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Voyage, VoyageFileUnderAddressLimit,
    ::testing::Values(
        AddressLimitRow{"SixtyFourMegabytesOfEmptyLines", [] { return std::string(64u << 20, '\n'); },
                        std::uintmax_t{512} << 20, "it holds more than 1000000 lines"},
        AddressLimitRow{"AVoyageLargerThanTheMemoryLeft",
                        [] {
                            std::string content;
                            for (std::size_t i = 0; i < kMaxVoyageLines; ++i) {
                                content += "$GPGLL,5000.000,N,00100.000,W,120000,A*3C\r\n";
                            }
                            return content;
                        },
                        std::uintmax_t{32} << 20, "there is not enough memory to hold it"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoyageFile, SaveRefusesAFolderAndAMissingFolder) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder"));
    for (const std::string& file : {path("folder"), path("nowhere/harbour.vyg")}) {
        const std::optional<Failure> saved = saveVoyageFile(file, Lines{"A"});
        EXPECT_FALSE(!saved) << file;
        EXPECT_NE(errorText(saved).find(file), std::string::npos) << errorText(saved);
    }
}

TEST_F(VoyageFile, LoadRefusesAnUnreadableFile) {
    if (isRoot()) GTEST_SKIP() << "permissions do not bind root";
    const std::string file = path("secret.vyg");
    writeBytes(file, "A\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    const Result<std::vector<std::string>> loaded = loadVoyageFile(file);
    EXPECT_FALSE(loaded.ok());
    EXPECT_NE(errorText(loaded).find("ermission denied"), std::string::npos) << errorText(loaded);
}

TEST_F(VoyageFile, LoadRefusesADevice) {
    const Result<std::vector<std::string>> loaded = loadVoyageFile("/dev/zero");
    EXPECT_FALSE(loaded.ok());
    EXPECT_NE(errorText(loaded).find("not a regular file"), std::string::npos) << errorText(loaded);
}

}  // namespace
}  // namespace pelora
