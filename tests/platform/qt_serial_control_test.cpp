// The serial control on its own: a COM port whose device is not there, has no UART behind it, may
// not be opened by this user or is held under another name fails at once, leaves the port closed
// and says why; a sentence is on the line when Output returns, without waiting for the event loop
// (which repaints the window first).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <pwd.h>
#include <sys/file.h>

#include <memory>
#include <optional>

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
    EXPECT_EQ(control.lastFailure(), (Failure{device.toStdString(), "No such file or directory", ENOENT}));
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

// A socat pseudo-terminal and what a case arranges around it before the control opens it.
struct PtyRig {
    QTemporaryDir folder;
    testing::SocatPair pair{folder.path(), QUuid::createUuid().toString(QUuid::Id128).left(12)};
    QString device;  // the pseudo-terminal's real path, /dev/pts/<n>
    QString ttyClassFolder = QString::fromLatin1(QtSerialControl::kTtyClassFolder);
    QString opened;  // the name the control is given: the link or the real path
    bool asNobody = false;
    std::unique_ptr<QtSerialControl> holder;  // another control holding the device
    int lockedBy = -1;                        // a descriptor holding the device's flock

    ~PtyRig() {
        if (lockedBy >= 0) {
            ::close(lockedBy);
        }
    }
    // The kernel's description of the terminals, written in the rig's folder, with the UART
    // type of this pseudo-terminal.
    void fakeUartType(const char* type) {
        ttyClassFolder = folder.path() + "/class";
        const QString name = QFileInfo(device).fileName();
        QDir(ttyClassFolder).mkpath(name);
        QFile file(ttyClassFolder + "/" + name + "/type");
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(type) + "\n");
    }
};

// Runs the rest of the scope with the effective user "nobody".
class AsNobody {
public:
    AsNobody() {
        const passwd* nobody = ::getpwnam("nobody");
        m_switched = nobody != nullptr && ::seteuid(nobody->pw_uid) == 0;
    }
    ~AsNobody() {
        if (m_switched) {
            [[maybe_unused]] const int back = ::seteuid(0);
        }
    }
    bool switched() const { return m_switched; }

private:
    bool m_switched = false;
};

struct PtyRow {
    const char* name;
    void (*arrange)(PtyRig& rig);
    bool opens;
    const char* reason;  // nullptr: any reason
    bool permissionDenied;
};

class SerialPtyOpenTest : public ::testing::TestWithParam<PtyRow> {};

TEST_P(SerialPtyOpenTest, OpensOrSaysWhyNot) {
    if (!testing::haveProgram(QStringLiteral("socat"))) {
        GTEST_SKIP() << "socat is not installed";
    }
    PtyRig rig;
    ASSERT_TRUE(rig.pair.start());
    rig.device = QFileInfo(rig.pair.near()).canonicalFilePath();
    ASSERT_TRUE(rig.device.startsWith("/dev/pts/")) << rig.device.toStdString();
    rig.opened = rig.pair.near();
    GetParam().arrange(rig);
    if (rig.asNobody && ::geteuid() != 0) {
        GTEST_SKIP() << "only root can try the port as another user";
    }
    QtSerialControl control([&rig](int) { return rig.opened; }, rig.ttyClassFolder);

    bool opened = false;
    {
        std::optional<AsNobody> nobody;
        if (rig.asNobody) {
            nobody.emplace();
            ASSERT_TRUE(nobody->switched());
        }
        opened = control.setPortOpen(true);
    }

    EXPECT_EQ(opened, GetParam().opens);
    EXPECT_EQ(control.PortOpen(), GetParam().opens);
    const Failure failure = control.lastFailure();
    if (GetParam().opens) {
        EXPECT_EQ(failure, Failure{});
        return;
    }
    EXPECT_EQ(failure.what, rig.opened.toStdString());
    if (GetParam().reason != nullptr) {
        EXPECT_EQ(failure.reason, GetParam().reason);
    } else {
        EXPECT_NE(failure.reason, "");
    }
    EXPECT_EQ(failure.permissionDenied(), GetParam().permissionDenied);
    EXPECT_FALSE(control.Output("$GPGLL,X\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Arrangements, SerialPtyOpenTest,
    ::testing::Values(
        // A pseudo-terminal is never taken for a serial port without its UART.
        PtyRow{"RealKernelDescription", [](PtyRig&) {}, true, nullptr, false},
        PtyRow{"KernelFoundNoUart", [](PtyRig& rig) { rig.fakeUartType("0"); }, false, "no UART behind this port", false},
        PtyRow{"KernelFoundAUart", [](PtyRig& rig) { rig.fakeUartType("4"); }, true, nullptr, false},
        PtyRow{"NotPermitted",
               [](PtyRig& rig) {
                   rig.opened = rig.device;
                   rig.asNobody = true;
               },
               false, "Permission denied", true},
        // Another control holds the device under its link; this one is given the real path.
        PtyRow{"OpenUnderAnotherName",
               [](PtyRig& rig) {
                   const QString link = rig.pair.near();
                   rig.holder = std::make_unique<QtSerialControl>([link](int) { return link; });
                   EXPECT_TRUE(rig.holder->setPortOpen(true));
                   rig.opened = rig.device;
               },
               false, nullptr, false},
        // Another program holds the device's lock, without Qt's lock file.
        PtyRow{"LockedByAnotherProgram",
               [](PtyRig& rig) {
                   rig.lockedBy = ::open(rig.device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
                   EXPECT_EQ(::flock(rig.lockedBy, LOCK_EX | LOCK_NB), 0);
               },
               false, nullptr, false}),
    [](const ::testing::TestParamInfo<PtyRow>& info) { return std::string(info.param.name); });

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
