#include "platform/qt_settings_store.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "settings_file_fixture.h"

namespace pelora {
namespace {

class QtSettingsStoreTest : public test::SettingsFileTest {};

TEST_F(QtSettingsStoreTest, FileLiesUnderXdgConfigHomeByApplicationName) {
    QtSettingsStore store("pelora");
    EXPECT_EQ(store.location(), iniPath().toStdString());
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

TEST_F(QtSettingsStoreTest, HandWrittenCommaValueReadsAsWritten) {
    writeFile("[FRM_NMEA]\ntxt_lat=54N00,0000\ntxt_lon=a,b,c\ntxt_end=x,\n");
    QtSettingsStore store("pelora");
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_lat").value, "54N00,0000");
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_lon").value, "a,b,c");
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_end").value, "x,");
}

TEST_F(QtSettingsStoreTest, PortsGroupIsKeptWhenSaving) {
    writeFile("[Ports]\nCOM1=/dev/pts/7\n\n[FRM_NMEA]\ntxt_SPEED=6\n");
    QtSettingsStore store("pelora");
    ASSERT_FALSE(store.SaveSetting("pelora", "FRM_NMEA", "txt_SPEED", "9"));
    EXPECT_TRUE(readFile().contains("[Ports]\nCOM1=/dev/pts/7\n"));
    EXPECT_EQ(store.GetSetting("pelora", "FRM_NMEA", "txt_SPEED").value, "9");
}

TEST_F(QtSettingsStoreTest, UnparsableFileIsAReadError) {
    writeFile("[FRM_NMEA\ntxt_lat=54N00.0000\n");
    QtSettingsStore store("pelora");
    const SettingRead read = store.GetSetting("pelora", "FRM_NMEA", "txt_lat");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error->number, EINVAL);
    EXPECT_EQ(read.value, "");
}

TEST_F(QtSettingsStoreTest, FolderInPlaceOfTheFileFailsReadAndWrite) {
    folderInPlaceOfFile();
    QtSettingsStore store("pelora");
    const SettingRead read = store.GetSetting("pelora", "FRM_NMEA", "txt_lat");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error->number, EISDIR);
    const auto write = store.SaveSetting("pelora", "FRM_NMEA", "txt_lat", "1N");
    ASSERT_TRUE(write);
    EXPECT_EQ(write->number, EISDIR);
    EXPECT_FALSE(write->reason.empty());
}

TEST_F(QtSettingsStoreTest, FileInPlaceOfTheFolderFailsWrite) {
    QFile blocker(home() + "/pelora");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QtSettingsStore store("pelora");
    const auto write = store.SaveSetting("pelora", "FRM_NMEA", "txt_lat", "1N");
    ASSERT_TRUE(write);
    EXPECT_EQ(write->number, ENOTDIR);
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
    EXPECT_EQ(read.error->number, EACCES);
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
    EXPECT_TRUE(write->number == EACCES || write->number == EPERM) << write->number;
    EXPECT_EQ(readFile(), "[FRM_NMEA]\ntxt_lat=54N00.0000\n");
}

TEST(ApplicationName, IsTheExecutableNameWithoutFolderAndExtension) {
    // The test program itself is the running executable here.
    EXPECT_EQ(applicationName(), "test_platform");
}

}  // namespace
}  // namespace pelora
