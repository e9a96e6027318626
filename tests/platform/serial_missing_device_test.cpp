// Opening a COM port whose device is not there: it fails at once, leaves the port closed and
// says why, whatever form the missing device takes.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/qt_serial_control.h"

namespace pelora {
namespace {

struct MissingDeviceRow {
    const char* name;
    // Makes the device path inside the folder; returns it.
    QString (*make)(const QString& folder);
};

class SerialMissingDeviceTest : public ::testing::TestWithParam<MissingDeviceRow> {};

TEST_P(SerialMissingDeviceTest, OpenFailsAndThePortStaysClosed) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString device = GetParam().make(folder.path());
    QtSerialControl control([&device](int) { return device; });
    control.setCommPort(1);

    EXPECT_FALSE(control.setPortOpen(true));
    EXPECT_FALSE(control.PortOpen());
    EXPECT_EQ(control.devicePath(), device);
    EXPECT_EQ(control.lastError(), QStringLiteral("No such file or directory"));
    EXPECT_FALSE(control.Output("$GPGLL,X\r\n"));
    // Trying again is no different from the first time.
    EXPECT_FALSE(control.setPortOpen(true));
    EXPECT_FALSE(control.PortOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SerialMissingDeviceTest,
    ::testing::Values(
        MissingDeviceRow{"NoSuchFile", [](const QString& folder) { return folder + "/ttyUSB9"; }},
        MissingDeviceRow{"NoSuchFolder", [](const QString& folder) { return folder + "/usb/ttyUSB0"; }},
        // What a socat link is once socat has ended: the link is there, the terminal is not.
        MissingDeviceRow{"DanglingLink",
                         [](const QString& folder) {
                             const QString link = folder + "/com1";
                             QFile::link(folder + "/gone", link);
                             return link;
                         }}),
    [](const ::testing::TestParamInfo<MissingDeviceRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
