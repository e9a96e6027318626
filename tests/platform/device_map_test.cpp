#include "platform/device_map.h"

#include <gtest/gtest.h>

#include "platform/qt_serial_control.h"
#include "serial_peers.h"
#include "settings_file_fixture.h"

namespace pelora {
namespace {

struct DefaultRow {
    const char* name;
    int port;
    const char* device;
};

void PrintTo(const DefaultRow& row, std::ostream* out) {
    *out << row.name;
}

class DefaultDeviceTest : public ::testing::TestWithParam<DefaultRow> {};

TEST_P(DefaultDeviceTest, PortMapsToItsDefaultDevice) {
    EXPECT_EQ(DeviceMap::defaultDevicePath(GetParam().port).toStdString(), GetParam().device);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, DefaultDeviceTest,
    ::testing::Values(DefaultRow{"Com1", 1, "/dev/ttyS0"}, DefaultRow{"Com4", 4, "/dev/ttyS3"},
                      DefaultRow{"Com5", 5, "/dev/ttyUSB0"}, DefaultRow{"Com12", 12, "/dev/ttyUSB7"},
                      DefaultRow{"Com13", 13, "/dev/ttyACM0"}, DefaultRow{"Com16", 16, "/dev/ttyACM3"},
                      DefaultRow{"Com0", 0, ""}, DefaultRow{"Com17", 17, ""}, DefaultRow{"Negative", -1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceMapTest, PortsEntryOverridesOnlyItsOwnPortAndNothingOutsideTheList) {
    testing::TempSettings settings;
    settings.mapPort(2, "  /tmp/virtual-com2 ");
    settings.mapPort(17, "/tmp/virtual-com17");
    settings.mapPort(0, "/tmp/virtual-com0");
    const DeviceMap map(settings.application());

    EXPECT_EQ(map.devicePath(2).toStdString(), "/tmp/virtual-com2");
    EXPECT_EQ(map.devicePath(1).toStdString(), "/dev/ttyS0");
    EXPECT_EQ(map.devicePath(3).toStdString(), "/dev/ttyS2");
    EXPECT_EQ(map.devicePath(17).toStdString(), "");
    EXPECT_EQ(map.devicePath(0).toStdString(), "");

    // An edited entry counts at the next open.
    settings.mapPort(2, "/tmp/other");
    EXPECT_EQ(map.devicePath(2).toStdString(), "/tmp/other");
}

// What [Ports] gives when the settings file is damaged or cannot be read: a damaged entry and an
// unreadable file never send to a device the user did not name.
enum class PortsFile { Text, FolderInItsPlace, Missing };

struct PortsFileRow {
    const char* name;
    PortsFile file;
    const char* text;
    int port;
    const char* device;  // "" = no device
};

void PrintTo(const PortsFileRow& row, std::ostream* out) { *out << row.name; }

class PortsFileTest : public test::SettingsFileTest, public ::testing::WithParamInterface<PortsFileRow> {};

TEST_P(PortsFileTest, PortOpensTheNamedDeviceOrNone) {
    const PortsFileRow& row = GetParam();
    if (row.file == PortsFile::Text) writeFile(row.text);
    if (row.file == PortsFile::FolderInItsPlace) folderInPlaceOfFile();
    EXPECT_EQ(DeviceMap("pelora").devicePath(row.port).toStdString(), row.device);
}

constexpr char kDamagedPorts[] = "[FRM_NMEA]\ngarbage\ntxt_x=\"open\n[Ports]\nCOM1=\"/tmp/gps\nCOM5=/tmp/other\n";

INSTANTIATE_TEST_SUITE_P(
    Files, PortsFileTest,
    ::testing::Values(PortsFileRow{"DamagedEntryOpensNothing", PortsFile::Text, kDamagedPorts, 1, ""},
                      PortsFileRow{"EntryAfterDamagedLinesCounts", PortsFile::Text, kDamagedPorts, 5, "/tmp/other"},
                      PortsFileRow{"AbsentEntryOpensTheDefault", PortsFile::Text, kDamagedPorts, 2, "/dev/ttyS1"},
                      PortsFileRow{"CommaInAPathIsKept", PortsFile::Text, "[Ports]\nCOM1 = /tmp/gps, port 1\n", 1,
                                   "/tmp/gps, port 1"},
                      PortsFileRow{"UnreadableFileOpensNothing", PortsFile::FolderInItsPlace, "", 1, ""},
                      PortsFileRow{"NoFileOpensTheDefault", PortsFile::Missing, "", 1, "/dev/ttyS0"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SettingsRow {
    const char* name;
    const char* text;
    const char* readBack;  // "" = refused
};

void PrintTo(const SettingsRow& row, std::ostream* out) {
    *out << '"' << row.text << '"';
}

class SerialSettingsTest : public ::testing::TestWithParam<SettingsRow> {};

TEST_P(SerialSettingsTest, TextIsReadOrRefused) {
    const auto parsed = parseSerialSettings(GetParam().text);
    const std::string expected = GetParam().readBack;
    if (expected.empty()) {
        EXPECT_FALSE(parsed.has_value());
    } else {
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(serialSettingsText(*parsed), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SerialSettingsTest,
    ::testing::Values(SettingsRow{"Standard", "4800,N,8,1", "4800,N,8,1"},
                      SettingsRow{"Fastest", "19200,N,8,1", "19200,N,8,1"},
                      SettingsRow{"LowerCaseParity", "9600,e,7,2", "9600,E,7,2"},
                      SettingsRow{"HalfStop", "1200,O,5,1.5", "1200,O,5,1.5"},
                      SettingsRow{"Blanks", " 2400 , N , 8 , 1 ", "2400,N,8,1"},
                      SettingsRow{"Empty", "", ""}, SettingsRow{"NoBaud", ",N,8,1", ""},
                      SettingsRow{"ZeroBaud", "0,N,8,1", ""}, SettingsRow{"NegativeBaud", "-4800,N,8,1", ""},
                      SettingsRow{"BaudWithLetters", "48x0,N,8,1", ""}, SettingsRow{"ThreeFields", "4800,N,8", ""},
                      SettingsRow{"FiveFields", "4800,N,8,1,1", ""}, SettingsRow{"BadParity", "4800,X,8,1", ""},
                      SettingsRow{"NineDataBits", "4800,N,9,1", ""}, SettingsRow{"ThreeStopBits", "4800,N,8,3", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QtSerialControlTest, RefusedSettingsKeepThePreviousOnesAndUnmappedPortsDoNotOpen) {
    QtSerialControl control([](int port) { return DeviceMap::defaultDevicePath(port); });
    ASSERT_TRUE(control.setSettings("4800,N,8,1"));
    EXPECT_FALSE(control.setSettings(",N,8,1"));
    EXPECT_EQ(control.Settings(), "4800,N,8,1");

    control.setCommPort(0);
    EXPECT_FALSE(control.setPortOpen(true));
    EXPECT_FALSE(control.PortOpen());
    EXPECT_FALSE(control.Output("$GPGLL\r\n"));
}

}  // namespace
}  // namespace pelora
