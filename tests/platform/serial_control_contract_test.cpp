// The same cases over the in-memory serial control that the window and port tests use and over
// the real one on a socat pseudo-terminal pair: where they agree, the fake is faithful.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QUuid>

#include <memory>
#include <string>
#include <type_traits>

#include "platform/qt_serial_control.h"
#include "serial_peers.h"
#include "support/fake_serial_control.h"

namespace pelora {
namespace {

using namespace pelora::testing;

constexpr int kPresentPort = 1;  // every other port has no device
constexpr int kMissingPort = 2;

// The in-memory control; the far end reads what it keeps.
class FakeRig {
public:
    static bool usable() { return true; }
    bool start() {
        m_control.available = {kPresentPort};
        return true;
    }
    SerialControl& control() { return m_control; }
    // What the far end received since the last call.
    std::string receive(std::size_t) {
        std::string received = m_control.written.substr(m_read);
        m_read = m_control.written.size();
        return received;
    }
    void unplug() { m_control.plugged = false; }

private:
    FakeSerialControl m_control;
    std::size_t m_read = 0;
};

// The real control with port 1 on the near end of a socat pair; the far end is read.
class QtRig {
public:
    static bool usable() { return haveProgram(QStringLiteral("socat")); }
    bool start() {
        if (!m_pair.start()) {
            return false;
        }
        m_far = std::make_unique<FarEnd>(m_pair.far());
        return m_far->isOpen();
    }
    SerialControl& control() { return m_control; }
    // What the far end received, waiting up to a second for `bytes` bytes.
    std::string receive(std::size_t bytes) { return m_far->read(bytes, 1000ms); }
    void unplug() { m_pair.stop(); }

private:
    QTemporaryDir m_folder;
    SocatPair m_pair{m_folder.path(), QUuid::createUuid().toString(QUuid::Id128).left(12)};
    std::unique_ptr<FarEnd> m_far;
    QtSerialControl m_control{[this](int port) {
        return port == kPresentPort ? m_pair.near() : m_folder.path() + "/no-such-device";
    }};
};

struct RigNames {
    template <typename Rig>
    static std::string GetName(int) {
        return std::is_same_v<Rig, FakeRig> ? "Fake" : "QSerialPort";
    }
};

template <typename Rig>
class SerialControlContract : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Rig::usable()) {
            GTEST_SKIP() << "socat is not installed";
        }
        ASSERT_TRUE(m_rig.start());
    }

    SerialControl& control() { return m_rig.control(); }
    bool open(int port) {
        control().setCommPort(port);
        return control().setSettings("4800,N,8,1") && control().setPortOpen(true);
    }

    Rig m_rig;
};

using Rigs = ::testing::Types<FakeRig, QtRig>;
TYPED_TEST_SUITE(SerialControlContract, Rigs, RigNames);

TYPED_TEST(SerialControlContract, OpensAnExistingPortWithItsSettings) {
    EXPECT_EQ(this->control().Settings(), "9600,N,8,1") << "before any settings are given";
    ASSERT_TRUE(this->open(kPresentPort));
    EXPECT_TRUE(this->control().PortOpen());
    EXPECT_EQ(this->control().CommPort(), kPresentPort);
    EXPECT_EQ(this->control().Settings(), "4800,N,8,1");
    EXPECT_EQ(this->control().lastFailure(), Failure{});
}

TYPED_TEST(SerialControlContract, SettingsAreReadBackInOneFormAndOtherTextsRefused) {
    EXPECT_TRUE(this->control().setSettings(" 19200 , n,7, 2"));
    EXPECT_EQ(this->control().Settings(), "19200,N,7,2");
    for (const char* refused : {"fast", "4800,N,8", "4800,X,8,1", "4800,N,9,1", "0,N,8,1", "4800,N,8,3"}) {
        EXPECT_FALSE(this->control().setSettings(refused)) << refused;
    }
    EXPECT_EQ(this->control().Settings(), "19200,N,7,2");
}

TYPED_TEST(SerialControlContract, MissingPortFailsWithNoPortOpen) {
    ASSERT_TRUE(this->open(kPresentPort));
    ASSERT_TRUE(this->control().setPortOpen(false));

    EXPECT_FALSE(this->open(kMissingPort));
    EXPECT_FALSE(this->control().PortOpen());
    const Failure failure = this->control().lastFailure();
    EXPECT_NE(failure.reason, "");
    EXPECT_FALSE(failure.permissionDenied());
    EXPECT_FALSE(this->control().Output("$GPGLL,A\r\n"));
}

TYPED_TEST(SerialControlContract, WholeLinesArriveInOrderUntilThePortIsClosed) {
    ASSERT_TRUE(this->open(kPresentPort));
    EXPECT_TRUE(this->control().Output("$GPGLL,A\r\n"));
    EXPECT_TRUE(this->control().Output("$GPGGA,B\r\n"));
    EXPECT_EQ(this->m_rig.receive(20), "$GPGLL,A\r\n$GPGGA,B\r\n");

    EXPECT_TRUE(this->control().setPortOpen(false));
    EXPECT_FALSE(this->control().PortOpen());
    EXPECT_FALSE(this->control().Output("$GPGLL,C\r\n"));
    EXPECT_TRUE(this->control().setPortOpen(false)) << "closing a closed port";
    EXPECT_EQ(this->m_rig.receive(1), "");
}

TYPED_TEST(SerialControlContract, OpeningTwiceFailsAndKeepsThePortOpen) {
    ASSERT_TRUE(this->open(kPresentPort));
    EXPECT_FALSE(this->control().setPortOpen(true));
    EXPECT_NE(this->control().lastFailure().reason, "");
    EXPECT_TRUE(this->control().PortOpen());
    EXPECT_TRUE(this->control().Output("$GPGLL,A\r\n"));
    EXPECT_EQ(this->m_rig.receive(10), "$GPGLL,A\r\n");
}

TYPED_TEST(SerialControlContract, DeviceGoneFailsTheWriteAndClosesThePort) {
    ASSERT_TRUE(this->open(kPresentPort));
    this->m_rig.unplug();
    EXPECT_FALSE(this->control().Output("$GPGLL,A\r\n"));
    EXPECT_FALSE(this->control().PortOpen());
    EXPECT_FALSE(this->control().Output("$GPGLL,B\r\n"));
}

}  // namespace
}  // namespace pelora
