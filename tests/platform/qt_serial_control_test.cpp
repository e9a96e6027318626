// The serial control on its own: a COM port whose device is not there fails at once, leaves the
// port closed and says why, whatever form the missing device takes; a sentence is on the line when
// Output returns, without waiting for the event loop (which repaints the window first).

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include "platform/qt_serial_control.h"
#include "serial_peers.h"

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

// Reads what arrives on fd within `timeout` without running the event loop.
std::string readWithoutEventLoop(int fd, std::size_t bytes, std::chrono::milliseconds timeout) {
    std::string received;
    QDeadlineTimer deadline(timeout);
    while (received.size() < bytes && !deadline.hasExpired()) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 10) > 0 && (pfd.revents & POLLIN) != 0) {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                received.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    return received;
}

TEST(QtSerialControlLine, EachSentenceIsOnTheLineWhenOutputReturns) {
    using namespace pelora::testing;
    if (!haveProgram(QStringLiteral("socat"))) {
        GTEST_SKIP() << "socat is not installed";
    }
    QTemporaryDir folder;
    SocatPair pair(folder.path(), QUuid::createUuid().toString(QUuid::Id128).left(12));
    ASSERT_TRUE(pair.start());
    const int far = ::open(pair.far().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(far, 0);
    QtSerialControl control([&pair](int) { return pair.near(); });
    ASSERT_TRUE(control.setPortOpen(true));

    const std::string first = "$GPGLL,5430.0000,N,00115.0000,W,123456,A\r\n";
    const std::string second = "$GPGLL,5430.0001,N,00115.0000,W,123457,A\r\n";
    ASSERT_TRUE(control.Output(first));
    EXPECT_EQ(readWithoutEventLoop(far, first.size(), 1000ms), first);
    ASSERT_TRUE(control.Output(second));
    EXPECT_EQ(readWithoutEventLoop(far, second.size(), 1000ms), second);
    ::close(far);
}

}  // namespace
}  // namespace pelora
