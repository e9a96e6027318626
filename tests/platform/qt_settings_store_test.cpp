#include "platform/qt_settings_store.h"

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSettings>
#include <gtest/gtest.h>

#include "settings_file_fixture.h"

namespace pelora {
namespace {

class QtSettingsStoreTest : public test::SettingsFileTest {};

TEST_F(QtSettingsStoreTest, FileLiesUnderXdgConfigHomeByApplicationName) {
    QtSettingsStore store("pelora");
    EXPECT_EQ(store.location(), iniPath().toStdString());
    EXPECT_EQ(settingsFilePath("pelora"), iniPath());
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(settingsFilePath("pelora-copy"), QDir::homePath() + "/.config/pelora-copy/pelora-copy.ini");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home()));
    ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "txt_lat", "54N00.0000"));
    EXPECT_TRUE(QFile::exists(iniPath()));
    EXPECT_TRUE(readFile().contains("[FRM_NMEA]\ntxt_lat=54N00.0000"));
}

TEST_F(QtSettingsStoreTest, ValuesSurviveANewStoreAndMissingEntriesReadEmpty) {
    {
        QtSettingsStore store("pelora");
        ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "txt_SPEED", "12.5"));
        ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "cmb_PORT", "COM 3"));
        ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "txt_note", "a,b; \"c\" =d"));
        ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "txt_empty", ""));
    }
    QtSettingsStore store("pelora");
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_SPEED").value, "12.5");
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "cmb_PORT").value, "COM 3");
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_note").value, "a,b; \"c\" =d");
    for (const auto& [section, key] : {std::pair{"FRM_NMEA", "txt_empty"},
                                       std::pair{"FRM_NMEA", "txt_never"},
                                       std::pair{"FRM_OTHER", "txt_SPEED"}}) {
        const SettingRead read = store.GetSetting("pelora", section, key);
        EXPECT_TRUE(read.ok()) << key;
        EXPECT_EQ(read.value, "") << key;
    }
    // Keys are kept as written, case included.
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "TXT_SPEED").value, "");
}

TEST_F(QtSettingsStoreTest, AnotherApplicationNameHasEntriesOfItsOwn) {
    QtSettingsStore store("pelora");
    ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "txt_SPEED", "12"));
    EXPECT_EQ(store.GetSetting("pelora-copy", "FRM_NMEA", "txt_SPEED").value, "");
    ASSERT_FALSE(store.SaveSetting("pelora-copy", "FRM_NMEA", "txt_SPEED", "3"));
    EXPECT_TRUE(QFile::exists(iniPath("pelora-copy")));
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_SPEED").value, "12");
}

// Files written by hand: a damaged line or value spoils only itself, and a save keeps every
// line it does not change.
struct HandWrittenRow {
    const char* name;
    const char* file;
    const char* section;
    const char* key;
    const char* value;
};

void PrintTo(const HandWrittenRow& row, std::ostream* out) { *out << row.name; }

class HandWrittenFileTest : public test::SettingsFileTest,
                            public ::testing::WithParamInterface<HandWrittenRow> {};

TEST_P(HandWrittenFileTest, ReadsTheValueAndASaveKeepsTheLines) {
    const HandWrittenRow& row = GetParam();
    writeFile(row.file);
    QtSettingsStore store("pelora");
    const SettingRead read = store.GetSetting("pelora", row.section, row.key);
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.value, row.value);

    ASSERT_FALSE(store.saveSettings("pelora", "FRM_NMEA", {{"txt_SPEED", "9"}}));
    const QByteArray saved = readFile();
    for (const QByteArray& line : QByteArray(row.file).split('\n')) {
        if (!line.startsWith("txt_SPEED")) {
            EXPECT_TRUE(saved.contains(line + '\n')) << line.toStdString();
        }
    }
    EXPECT_EQ(store.GetSetting("pelora", row.section, row.key).value, row.value);
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_SPEED").value, "9");
}

INSTANTIATE_TEST_SUITE_P(
    Files, HandWrittenFileTest,
    ::testing::Values(
        HandWrittenRow{"CommaWithoutQuotes", "[FRM_NMEA]\ntxt_lat=54N00,0000\n", "FRM_NMEA", "txt_lat", "54N00,0000"},
        HandWrittenRow{"SeveralCommas", "[FRM_NMEA]\ntxt_lon=a,b,c\n", "FRM_NMEA", "txt_lon", "a,b,c"},
        HandWrittenRow{"TrailingComma", "[FRM_NMEA]\ntxt_end=x,\n", "FRM_NMEA", "txt_end", "x,"},
        HandWrittenRow{"HeaderWithoutBracket", "[FRM_NMEA\ntxt_lat=54N00.0000\n", "FRM_NMEA", "txt_lat", "54N00.0000"},
        HandWrittenRow{"GarbageLineKeepsThePortMap",
                       "; my ports\n[FRM_NMEA]\ngarbage\ntxt_SPEED=6\n\n[Ports]\nCOM1=/dev/pts/7\n", "Ports", "COM1",
                       "/dev/pts/7"},
        HandWrittenRow{"UnclosedQuoteKeepsTheNextLine", "[Ports]\nCOM1=\"/dev/pts/7\nCOM5=/dev/pts/8\n", "Ports", "COM5",
                       "/dev/pts/8"},
        HandWrittenRow{"CommentsAndQuotedEscapes",
                       "# written by hand\n[FRM_NMEA]\n; the note\ntxt_note=\"a,b; \\\"c\\\" =d\" ; kept\n", "FRM_NMEA",
                       "txt_note", "a,b; \"c\" =d"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtSettingsStoreTest, SavingTheWindowsValuesKeepsEveryOtherByte) {
    const QByteArray before =
        "; Pelora settings, kept by hand\n"
        "[Ports]\n"
        "COM1=/dev/pts/7   ; the chart plotter\n"
        "COM3=\"/dev/pts/9\n"
        "\n"
        "[FRM_NMEA]\n"
        "txt_SPEED = 6\n"
        "garbage\n"
        "# old speed: 4\n"
        "cmb_PORT=COM 1\n"
        "\n"
        "[Notes]\n"
        "who=me\n";
    writeFile(before);
    QtSettingsStore store("pelora");
    ASSERT_FALSE(store.saveSettings("pelora", "FRM_NMEA", {{"txt_SPEED", "12"}, {"cmb_PORT", "COM 2"}, {"chk_sum", "1"}}));
    EXPECT_EQ(readFile(),
              "; Pelora settings, kept by hand\n"
              "[Ports]\n"
              "COM1=/dev/pts/7   ; the chart plotter\n"
              "COM3=\"/dev/pts/9\n"
              "\n"
              "[FRM_NMEA]\n"
              "txt_SPEED = 12\n"
              "garbage\n"
              "# old speed: 4\n"
              "cmb_PORT=COM 2\n"
              "chk_sum=1\n"
              "\n"
              "[Notes]\n"
              "who=me\n");
}

// Values written by this store read the same through QSettings (the older versions of the
// program), and values QSettings wrote read the same here.
class QSettingsPeerTest : public test::SettingsFileTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(QSettingsPeerTest, ReadsWhatTheOtherWrote) {
    const std::string value = GetParam();
    QtSettingsStore store("pelora");
    ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "txt_mine", value));
    {
        QSettings peer(iniPath(), QSettings::IniFormat);
        EXPECT_EQ(peer.value("FRM_NMEA/txt_mine").toString().toStdString(), value);
        peer.setValue("FRM_NMEA/txt_theirs", QString::fromStdString(value));
        peer.sync();
        ASSERT_EQ(peer.status(), QSettings::NoError);
    }
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_theirs").value, value);
}

INSTANTIATE_TEST_SUITE_P(Values, QSettingsPeerTest,
                         ::testing::Values("54N00.0000", "COM 1", "", "a,b; \"c\" =d", "  padded ", "@home",
                                           "back\\slash", "line\nbreak\ttab", "\x01" "2", "ünïcödé °"));

TEST_F(QtSettingsStoreTest, FileRewrittenInPlaceIsReadAfresh) {
    // Same size, same inode, within the same tick of the file clock: only the bytes differ.
    writeFile("[Ports]\nCOM1=/dev/pts/1\n");
    QtSettingsStore store("pelora");
    EXPECT_EQ(store.GetSetting("pelora", "Ports", "COM1").value, "/dev/pts/1");
    writeFile("[Ports]\nCOM1=/dev/pts/2\n");
    EXPECT_EQ(store.GetSetting("pelora", "Ports", "COM1").value, "/dev/pts/2");
}

TEST_F(QtSettingsStoreTest, FolderInPlaceOfTheFileFailsReadAndWrite) {
    folderInPlaceOfFile();
    QtSettingsStore store("pelora");
    const SettingRead read = store.GetSetting("pelora", "FRM_NMEA", "txt_lat");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error->errorNumber, EISDIR);
    const auto write = store.SaveSetting("pelora", "FRM_NMEA", "txt_lat", "1N");
    ASSERT_TRUE(write);
    EXPECT_EQ(write->errorNumber, EISDIR);
    EXPECT_FALSE(write->reason.empty());
}

// What stands in place of the settings file is not one: it is not read (a device or a pipe
// never ends, a huge file would fill the memory), never written over, and the error says why.
struct RefusedFileRow {
    const char* name;
    bool (*make)(const std::string& path);  // false when it cannot be made here
    int number;
    const char* reason;
};

void PrintTo(const RefusedFileRow& row, std::ostream* out) { *out << row.name; }

class RefusedFileTest : public test::SettingsFileTest, public ::testing::WithParamInterface<RefusedFileRow> {};

TEST_P(RefusedFileTest, IsNeitherReadNorWrittenAndTheErrorSaysWhy) {
    const std::string path = QFile::encodeName(iniPath()).toStdString();
    ASSERT_TRUE(QDir().mkpath(home() + "/pelora"));
    if (!GetParam().make(path)) GTEST_SKIP() << "cannot make it here";
    struct stat before {};
    ASSERT_EQ(::lstat(path.c_str(), &before), 0);

    QtSettingsStore store("pelora");
    const SettingRead read = store.GetSetting("pelora", "FRM_NMEA", "txt_lat");
    ASSERT_FALSE(read.ok());
    const Failure expected{{}, GetParam().reason, GetParam().number};
    EXPECT_EQ(*read.error, expected);
    EXPECT_EQ(store.saveSettings("pelora", "FRM_NMEA", {{"txt_lat", "1N"}}), expected);

    struct stat after {};
    ASSERT_EQ(::lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(QDir(home() + "/pelora").entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFileTest,
    ::testing::Values(
        RefusedFileRow{"NamedPipe", [](const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }, EINVAL,
                       "a named pipe, not a regular file; it is left as it is"},
        RefusedFileRow{"LinkToDevZero", [](const std::string& path) { return ::symlink("/dev/zero", path.c_str()) == 0; },
                       EINVAL, "a device, not a regular file; it is left as it is"},
        RefusedFileRow{"LinkToDevUrandom",
                       [](const std::string& path) { return ::symlink("/dev/urandom", path.c_str()) == 0; }, EINVAL,
                       "a device, not a regular file; it is left as it is"},
        RefusedFileRow{"SparseFourGigabytes",
                       [](const std::string& path) {
                           const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
                           const bool made = fd >= 0 && ::ftruncate(fd, off_t{4} << 30) == 0;
                           ::close(fd);
                           return made;
                       },
                       EFBIG, "larger than 128 MiB; it is left as it is"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtSettingsStoreTest, FileInPlaceOfTheFolderFailsWrite) {
    QFile blocker(home() + "/pelora");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QtSettingsStore store("pelora");
    const auto write = store.SaveSetting("pelora", "FRM_NMEA", "txt_lat", "1N");
    ASSERT_TRUE(write);
    EXPECT_EQ(write->errorNumber, ENOTDIR);
}

TEST_F(QtSettingsStoreTest, UnreadableFileIsAReadError) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "file modes do not stop root from reading";
    }
    writeFile("[FRM_NMEA]\ntxt_lat=54N00.0000\n");
    ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), 0), 0);
    QtSettingsStore store("pelora");
    const SettingRead read = store.GetSetting("pelora", "FRM_NMEA", "txt_lat");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error->errorNumber, EACCES);
}

TEST_F(QtSettingsStoreTest, UnwritableFileIsAWriteErrorAndKeepsItsContent) {
    writeFile("[FRM_NMEA]\ntxt_lat=54N00.0000\n");
    if (!makeUnwritable()) {
        GTEST_SKIP() << "cannot make a file unwritable here";
    }
    QtSettingsStore store("pelora");
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_lat").value, "54N00.0000");
    const auto write = store.SaveSetting("pelora", "FRM_NMEA", "txt_lat", "1N");
    ASSERT_TRUE(write);
    EXPECT_TRUE(write->errorNumber == EACCES || write->errorNumber == EPERM) << write->errorNumber;
    EXPECT_EQ(readFile(), "[FRM_NMEA]\ntxt_lat=54N00.0000\n");
}

// A save that cannot be completed leaves the old file byte for byte and names the system's
// reason.
const QByteArray kFullFile = [] {
    QByteArray text = "; the port map, kept by hand\n[Ports]\n";
    for (int port = 1; port <= 16; ++port) text += "COM" + QByteArray::number(port) + "=/dev/pts/" + QByteArray::number(port) + "\n";
    text += "\n[FRM_NMEA]\n";
    for (int line = 0; line < 200; ++line) text += "; a long note written by hand, line " + QByteArray::number(line) + "\n";
    text += "txt_SPEED=6\ncmb_PORT=COM 1\n";
    return text;
}();

const std::vector<std::pair<std::string, std::string>> kWindowValues{
    {"txt_lat", "54N00.0000"},   {"txt_lon", "001E00.0000"}, {"txt_SPEED", "12"},      {"txt_DIR", "90"},
    {"txt_ROT", "0"},            {"txt_DPS", "4"},           {"txt_GPS_NOISE", "0"},   {"txt_Heavy_Sea", "0"},
    {"txt_SHIP_Response", "0"},  {"chk_sum", "1"},           {"chk_NLZ", "1"},         {"chk_GPS_Noise", "0"},
    {"chk_Heavy_Sea", "0"},      {"chk_Ship_Response", "0"}, {"cmb_NMEA", "RMC"},      {"cmb_PORT", "COM 2"}};

enum class Obstacle { FullDisk, ReadOnlyFolder };

struct FailedSaveRow {
    const char* name;
    Obstacle obstacle;
    int number;
    const char* reason;
};

void PrintTo(const FailedSaveRow& row, std::ostream* out) { *out << row.name; }

class FailedSaveTest : public test::SettingsFileTest, public ::testing::WithParamInterface<FailedSaveRow> {};

TEST_P(FailedSaveTest, KeepsTheOldFileAndNamesTheReason) {
    const QString folder = home() + "/pelora";
    std::unique_ptr<test::SmallDisk> disk;
    std::unique_ptr<test::FileChecksAsUser> asUser;
    if (GetParam().obstacle == Obstacle::FullDisk) {
        disk = std::make_unique<test::SmallDisk>(folder, 64);
        if (!disk->error().empty()) GTEST_SKIP() << "cannot mount a small disk here: " << disk->error();
        writeFile(kFullFile);
        ASSERT_TRUE(disk->fillLeavingOnePage("filler")) << "the disk did not fill up";
    } else {
        writeFile(kFullFile);
        ASSERT_EQ(::chmod(QFile::encodeName(home()).constData(), 0755), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), 0666), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        if (::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            asUser = std::make_unique<test::FileChecksAsUser>(kNobody);
            if (!asUser->active()) GTEST_SKIP() << "cannot check file permissions as another user here";
        }
    }
    QtSettingsStore store("pelora");
    const std::optional<Failure> error = store.saveSettings("pelora", "FRM_NMEA", kWindowValues);
    asUser.reset();
    ::chmod(QFile::encodeName(folder).constData(), 0755);

    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorNumber, GetParam().number);
    EXPECT_EQ(error->reason, GetParam().reason);
    EXPECT_EQ(readFile(), kFullFile);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(".ini.").size(), 0) << "no file is left behind";
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_SPEED").value, "6");
}

INSTANTIATE_TEST_SUITE_P(
    Obstacles, FailedSaveTest,
    ::testing::Values(FailedSaveRow{"FullDisk", Obstacle::FullDisk, ENOSPC, "No space left on device"},
                      FailedSaveRow{"ReadOnlyFolder", Obstacle::ReadOnlyFolder, EACCES, "Permission denied"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExecutableName, IsTheExecutableNameWithoutFolderAndExtension) {
    // The test program itself is the running executable here.
    EXPECT_EQ(executableName(), "test_platform");
}

}  // namespace
}  // namespace pelora
