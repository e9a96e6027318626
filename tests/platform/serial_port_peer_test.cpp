// The port management over the real QSerialPort control, with a socat virtual null-modem mapped
// as COM 1 through the [Ports] group of a temporary settings file.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QUuid>

#include <algorithm>
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

// COM 1 is a pseudo-terminal made here, whose other side the test reads as a chart plotter
// would, one sentence a tick. The reader stops for thirty ticks and comes back: it gets the
// sentences written before it counted as stopped and a few probes, all whole, not all thirty;
// then the current ones.
TEST(SerialPtyReaderTest, AReaderThatStopsGetsCurrentSentencesWhenItComesBack) {
    constexpr auto kTick = 150ms;
    constexpr int kReadTicks = 3;
    constexpr int kStoppedTicks = 30;
    // The bursts before the reader counts as stopped, and the probes of 4.5 s at growing gaps.
    constexpr int kMostLate = PtyReaderWatch::kUnconfirmedBursts + 4;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(master, 0);
    char device[64] = {};
    ASSERT_TRUE(::grantpt(master) == 0 && ::unlockpt(master) == 0 && ::ptsname_r(master, device, sizeof device) == 0);
    TempSettings settings;
    settings.mapPort(1, QString::fromLatin1(device));
    DeviceMap map(settings.application());
    QtSerialControl control([&map](int port) { return map.devicePath(port); });
    FakePortView view;
    PortManager manager(control, view);
    manager.probe();
    ASSERT_TRUE(control.PortOpen());

    int next = 0;
    std::string received;
    const auto tick = [&](bool reading) {
        manager.writeSentence(tickSentence(next++));
        QThread::msleep(static_cast<unsigned long>(kTick.count()));
        char buffer[65536];
        ssize_t got = 0;
        while (reading && (got = ::read(master, buffer, sizeof buffer)) > 0) {
            received.append(buffer, static_cast<std::size_t>(got));
        }
    };
    for (int n = 0; n < kReadTicks; ++n) tick(true);
    EXPECT_EQ(received, tickSentence(0) + "\r\n" + tickSentence(1) + "\r\n" + tickSentence(2) + "\r\n")
        << "a reader that reads gets every sentence";
    for (int n = 0; n < kStoppedTicks; ++n) tick(false);
    for (int n = 0; n < kReadTicks; ++n) tick(true);
    ::close(master);

    std::vector<int> numbers;
    for (std::size_t start = 0; start < received.size();) {
        const std::size_t end = received.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "a cut sentence at the end: " << received.substr(start);
        const std::string line = received.substr(start, end - start);
        numbers.push_back(std::atoi(line.c_str() + 7));
        ASSERT_EQ(line, tickSentence(numbers.back())) << "a cut sentence";
        start = end + 2;
    }
    const auto late = std::count_if(numbers.begin(), numbers.end(),
                                    [](int n) { return n >= kReadTicks && n < kReadTicks + kStoppedTicks; });
    EXPECT_GE(late, PtyReaderWatch::kUnconfirmedBursts) << "a reader is not taken for stopped at once";
    EXPECT_LE(late, kMostLate) << "sentences of the time it did not read";
    ASSERT_GE(numbers.size(), 2u);
    EXPECT_EQ(numbers.back(), next - 1) << "the reader has the current sentence";
    EXPECT_EQ(numbers[numbers.size() - 2], next - 2) << "and the one before";
}

}  // namespace
}  // namespace pelora
