// The port management over the real QSerialPort control, with a socat virtual null-modem mapped
// as COM 1 through the [Ports] group of a temporary settings file.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QUuid>

#include <cstdio>
#include <cstdlib>

#include "run/port_manager.h"
#include "platform/device_map.h"
#include "platform/qt_serial_control.h"
#include "serial_peers.h"

namespace pelora {
namespace {

using namespace pelora::testing;

class SerialPeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveProgram(QStringLiteral("socat"))) {
            GTEST_SKIP() << "socat is not installed";
        }
        m_pair = std::make_unique<SocatPair>(m_settings.path(), uniqueName());
        ASSERT_TRUE(m_pair->start());
        m_settings.mapPort(1, m_pair->near());
    }

    static QString uniqueName() { return QUuid::createUuid().toString(QUuid::Id128).left(12); }

    TempSettings m_settings;
    std::unique_ptr<SocatPair> m_pair;
    DeviceMap m_map{m_settings.application()};
    QtSerialControl m_control{[this](int port) { return m_map.devicePath(port); }};
    FakePortView m_view;
    PortManager m_manager{m_control, m_view};
};

TEST_F(SerialPeerTest, ProbeOpensTheMappedVirtualPortAsCom1) {
    m_manager.probe();

    EXPECT_EQ(m_view.status(), "Port:  1: OK");
    EXPECT_EQ(m_view.statusHistory.size(), 1u);
    EXPECT_EQ(m_view.baudText, "4800,N,8,1");
    EXPECT_TRUE(m_control.PortOpen());
    EXPECT_EQ(m_control.devicePath(), m_pair->near());
}

TEST_F(SerialPeerTest, TicksDeliverTheExactBytesWithCrLf) {
    FarEnd far(m_pair->far());
    ASSERT_TRUE(far.isOpen());
    m_manager.probe();

    const std::string first = "$GPGLL,5430.0000,N,00115.0000,W,123456,A*2C";
    const std::string second = "$GPGLL,5430.0001,N,00115.0000,W,123457,A*2C";
    m_manager.writeSentence(first);
    EXPECT_EQ(far.read(first.size() + 2), first + "\r\n");
    m_manager.writeSentence(second);
    EXPECT_EQ(far.read(second.size() + 2), second + "\r\n");
    EXPECT_EQ(m_view.status(), second);
}

TEST_F(SerialPeerTest, BaudChoiceReopensThePortAndTheLabelFollows) {
    FarEnd far(m_pair->far());
    m_manager.probe();
    ASSERT_EQ(m_view.baudText, "4800,N,8,1");

    m_manager.MNU_Baud_Click(3, 0);

    EXPECT_EQ(m_view.status(), "Port:  1: OK");
    EXPECT_EQ(m_view.baudText, "9600,N,8,1");
    m_manager.writeSentence("$GPGGA,1");
    EXPECT_EQ(far.read(10), "$GPGGA,1\r\n");
}

TEST_F(SerialPeerTest, FarEndGoingAwayLeavesThePortClosedUntilChosenAgain) {
    m_manager.probe();
    {
        FarEnd far(m_pair->far());
        m_manager.writeSentence("$GPGLL,A");
        ASSERT_EQ(far.read(10), "$GPGLL,A\r\n");
    }

    QSignalSpy lost(&m_control, &QtSerialControl::portLost);
    m_pair->stop();
    // The hang-up is seen without writing (a paused ship), once, and the port counts as closed.
    pumpEvents(300ms);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(m_control.PortOpen());

    // The run goes on: every tick after the loss says the port is not connected.
    for (int tick = 0; tick < 5; ++tick) {
        pumpEvents(100ms);
        m_manager.writeSentence("$GPGLL,B");
    }
    EXPECT_EQ(m_view.status(), "$GPGLL,B: Not Connected.");
    EXPECT_FALSE(m_control.PortOpen());
    m_manager.writeSentence("$GPGLL,C");
    EXPECT_EQ(m_view.status(), "$GPGLL,C: Not Connected.");

    // The device comes back under the same name; choosing the port opens it again.
    ASSERT_TRUE(m_pair->start());
    FarEnd far(m_pair->far());
    m_manager.cmb_PORT_Click(0);
    EXPECT_EQ(m_view.status(), "Port:  1: OK");
    m_manager.writeSentence("$GPGLL,D");
    EXPECT_EQ(far.read(10), "$GPGLL,D\r\n");
}

TEST_F(SerialPeerTest, PortMappedToAMissingDeviceIsNotAvailableAndClosesTheOpenOne) {
    m_settings.mapPort(2, m_settings.path() + "/no-such-device");
    FarEnd far(m_pair->far());
    m_manager.probe();
    ASSERT_TRUE(m_control.PortOpen());

    m_manager.cmb_PORT_Click(1);

    EXPECT_EQ(m_view.status(), "Port:  2: Not Available");
    EXPECT_EQ(m_view.baudText, "4800,N,8,1");
    EXPECT_FALSE(m_control.PortOpen());
    m_manager.writeSentence("$GPRMC,X");
    EXPECT_EQ(m_view.status(), "$GPRMC,X: Not Connected.");
    EXPECT_EQ(far.read(1, 300ms), "");
}

TEST_F(SerialPeerTest, PortInUseByAnotherControlIsNotAvailable) {
    m_manager.probe();
    ASSERT_TRUE(m_control.PortOpen());

    QtSerialControl other([this](int port) { return m_map.devicePath(port); });
    FakePortView otherView;
    PortManager otherManager(other, otherView);
    otherManager.Open_Port(1);

    EXPECT_EQ(otherView.status(), "Port:  1: Not Available");
    EXPECT_FALSE(other.PortOpen());
    EXPECT_TRUE(m_control.PortOpen());
}

// The sentence of tick `n`, of the usual length, told apart by its number.
std::string tickSentence(int n) {
    char text[96];
    std::snprintf(text, sizeof text, "$GPRMC,%06d,A,5430.0000,N,00115.0000,W,10.0,045.0,010124,,*00", n);
    return text;
}

TEST_F(SerialPeerTest, StalledReaderComingBackGetsCurrentWholeSentencesAndThePortStaysOpen) {
    FarEnd far(m_pair->far());
    m_manager.probe();
    // The reader stops for far more ticks than the pseudo-terminals can hold, and more bytes than
    // the program once queued before it gave the port up (1 MiB).
    constexpr int kStalledTicks = 20000;
    QElapsedTimer elapsed;
    elapsed.start();
    for (int n = 0; n < kStalledTicks; ++n) {
        m_manager.writeSentence(tickSentence(n));
        ASSERT_TRUE(m_control.PortOpen()) << "tick " << n;
        if (n % 100 == 0) {
            QCoreApplication::processEvents();
        }
    }
    EXPECT_LT(elapsed.elapsed(), 5000) << "a tick never waits for the reader";
    EXPECT_EQ(m_view.status(), tickSentence(kStalledTicks - 1));

    // The reader comes back while the ticks go on.
    std::string received;
    int next = kStalledTicks;
    QDeadlineTimer deadline(2s);
    while (!deadline.hasExpired()) {
        m_manager.writeSentence(tickSentence(next++));
        received += far.read(std::string::npos, 100ms);
    }
    EXPECT_TRUE(m_control.PortOpen());

    std::size_t oldBytes = 0;
    int last = -1;
    for (std::size_t start = 0; start < received.size();) {
        const std::size_t end = received.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "a cut sentence at the end: " << received.substr(start);
        const std::string line = received.substr(start, end - start);
        const int n = std::atoi(line.c_str() + 7);
        ASSERT_EQ(line, tickSentence(n)) << "a cut sentence after tick " << last;
        ASSERT_GT(n, last) << "sentences out of order";
        last = n;
        if (n < kStalledTicks) {
            oldBytes += line.size() + 2;
        }
        start = end + 2;
    }
    EXPECT_EQ(last, next - 1) << "the reader has the current sentence";
    // What reaches the reader late is only what the pseudo-terminals themselves hold (measured:
    // some 37 KiB in all); the program keeps none of it.
    EXPECT_LT(oldBytes, 64u * 1024u);
}

}  // namespace
}  // namespace pelora
