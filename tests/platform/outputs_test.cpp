// The outputs besides the serial port, with real peers: gpsd reading the TCP server and the
// virtual serial port, UDP sockets, TCP clients that read, one that never reads, one that comes
// late and more than the server takes, a TCP server that Pelora connects to and that goes away,
// and readers of the virtual port that come and go. First, what the output factory refuses.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <memory>
#include <set>
#include <thread>

#include "config/memory_settings_store.h"
#include "nmea/sentence.h"
#include "outputs/output_checks.h"
#include "outputs/output_factory.h"
#include "outputs/pty_output.h"
#include "outputs/tcp_client_output.h"
#include "outputs/tcp_server_output.h"
#include "platform/owned_link.h"
#include "run/simulation.h"
#include "serial_peers.h"
#include "support/core_fakes.h"
#include "support/fake_serial_control.h"
#include "support/file_bytes.h"
#include "text/text.h"

namespace pelora {
namespace {

using namespace pelora::testing;
using Clock = std::chrono::steady_clock;

constexpr double kLatitude = 54.5;
constexpr double kLongitude = -1.25;

// The program's RMC sentence with its checksum and line end at kLatitude, kLongitude.
std::string rmcLine(const QDateTime& utc) {
    const QDate date = utc.date();
    const QTime time = utc.time();
    const DateTime now{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
    const std::string sentence = NMEA(kLongitude, kLatitude, 4, true, kSentenceRMC, "10.0", "045.0", now);
    return sentence + CS(sentence) + "\r\n";
}

// Numbered lines of `bytes` bytes each, CR LF included.
std::string numberedLine(int number, std::size_t bytes) {
    std::string line = "$PSEQ," + std::to_string(number) + ",";
    line.resize(bytes - 2, 'x');
    return line + "\r\n";
}

// Waits, running the event loop, until `done` holds or `timeout` passes.
template <typename Condition>
bool pumpUntil(Condition done, std::chrono::milliseconds timeout = 5000ms) {
    QDeadlineTimer deadline(timeout);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return done();
}

std::string linkTarget(const std::string& link) {
    return QFileInfo(QString::fromStdString(link)).symLinkTarget().toStdString();
}

// A TCP client made with the system's calls, connected to 127.0.0.1:port; -1 on failure.
// `receiveBuffer` > 0 makes the client's receive buffer that small (the system rounds it up).
int connectClient(int port, int receiveBuffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

// Everything that can be read from a non-blocking descriptor now; `ended` tells whether the
// peer closed or reset the connection.
std::string readAvailable(int fd, bool* ended = nullptr) {
    std::string received;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
    }
    if (ended != nullptr) {
        *ended = n == 0 || (n < 0 && errno != EAGAIN);
    }
    return received;
}

// Whether the peer of a connection closed or reset it.
bool hungUp(int fd) {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR)) != 0;
}

// Clients read by a thread of their own, as other programs would read them: the test's event
// loop, which runs the server, never reads for them. The first one's whole lines are timed.
class ClientReaders {
public:
    explicit ClientReaders(std::vector<int> fds) : m_fds(std::move(fds)), m_received(m_fds.size()) {
        m_thread = std::thread([this] { run(); });
    }
    ~ClientReaders() {
        stop();
        for (int fd : m_fds) {
            ::close(fd);
        }
    }

    void stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    // After stop(): what client `index` received, and when each whole line of the first arrived.
    const std::string& received(std::size_t index) const { return m_received[index]; }
    const std::vector<Clock::time_point>& firstLineArrivals() const { return m_arrivals; }

private:
    void run() {
        std::vector<pollfd> polled;
        for (int fd : m_fds) {
            polled.push_back({fd, POLLIN, 0});
        }
        while (!m_stop) {
            if (::poll(polled.data(), polled.size(), 20) <= 0) {
                continue;
            }
            const Clock::time_point now = Clock::now();
            for (std::size_t i = 0; i < polled.size(); ++i) {
                if ((polled[i].revents & POLLIN) == 0) {
                    continue;
                }
                const std::string chunk = readAvailable(polled[i].fd);
                m_received[i] += chunk;
                if (i == 0) {
                    const auto lines = std::count(chunk.begin(), chunk.end(), '\n');
                    m_arrivals.insert(m_arrivals.end(), static_cast<std::size_t>(lines), now);
                }
            }
        }
    }

    std::vector<int> m_fds;
    std::vector<std::string> m_received;
    std::vector<Clock::time_point> m_arrivals;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A reader of the virtual serial port: opens the link as a consumer would.
class PortReader {
public:
    explicit PortReader(const std::string& link)
        : m_fd(::open(link.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~PortReader() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    PortReader(const PortReader&) = delete;
    PortReader& operator=(const PortReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // What arrives within `wait`.
    std::string read(std::chrono::milliseconds wait = 100ms) {
        QThread::msleep(static_cast<unsigned long>(wait.count()));
        return readAvailable(m_fd);
    }

private:
    int m_fd;
};

// The program's outputs as its simulation holds them, made by the real output factory.
class Hub {
public:
    Hub() { m_simulation.setView(&m_view); }
    ~Hub() { m_simulation.stopOutputs(); }

    // The choices applied; the problems' messages.
    std::vector<std::string> apply(const OutputSettings& settings) {
        std::vector<std::string> messages;
        for (const Failure& problem : m_simulation.changeOutputs(settings)) messages.push_back(problem.message());
        return messages;
    }
    OutputState state(OutputRole role) const { return m_simulation.outputState(role); }
    OutputState state(const std::string& endpoint) const { return m_simulation.stateOf(endpoint).value_or(OutputState{}); }
    int tcpClients() const { return std::max(0, state(OutputRole::Tcp).clients); }
    // Sends a line (CR LF included) as a tick sends a sentence.
    void writeLine(const std::string& line) { m_simulation.send(line.substr(0, line.size() - 2)); }
    void stopAll() { m_simulation.stopOutputs(); }
    // What the outputs whose endpoint starts with `scheme` told, in order ("" for a recovery or
    // a change that is no problem).
    std::vector<std::string> told(const std::string& scheme) const {
        std::vector<std::string> problems;
        for (const auto& [endpoint, problem] : m_view.changes) {
            if (endpoint.rfind(scheme, 0) == 0) problems.push_back(problem);
        }
        return problems;
    }

private:
    class View final : public SimulationView {
    public:
        void showOutputChange(const std::string& endpoint, const std::string& problem) override {
            changes.emplace_back(endpoint, problem);
        }
        std::vector<std::pair<std::string, std::string>> changes;
    };

    FakeClock m_clock;
    FixedRandom m_random;
    FakeSerialControl m_serial;
    OutputFactory m_outputs;
    MemorySettingsStore m_settings;
    Simulation m_simulation{SimulationServices{m_clock, m_random, m_serial, m_outputs, m_settings, "pelora",
                                               defaultPtyLink()}};
    View m_view;
};

struct FactoryRow {
    const char* name;
    const char* endpoint;
    const char* made;     // the endpoint() of the output made; "" when refused
    const char* refusal;  // the whole message
};

void PrintTo(const FactoryRow& row, std::ostream* out) { *out << row.name; }

class OutputFactoryTable : public ::testing::TestWithParam<FactoryRow> {};

TEST_P(OutputFactoryTable, MakesTheOutputOrSaysWhyNot) {
    const Result<Endpoint> endpoint = parseEndpoint(GetParam().endpoint);
    ASSERT_TRUE(endpoint.ok()) << endpoint.failure().message();
    const Result<std::unique_ptr<Output>> made = OutputFactory().make(*endpoint);
    if (*GetParam().made == '\0') {
        ASSERT_FALSE(made.ok()) << (*made)->endpoint();
        EXPECT_EQ(made.failure().message(), GetParam().refusal);
    } else {
        ASSERT_TRUE(made.ok()) << made.failure().message();
        EXPECT_EQ((*made)->endpoint(), GetParam().made);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Endpoints, OutputFactoryTable,
    ::testing::Values(
        FactoryRow{"SerialAtTheUsualRate", "serial:/dev/ttyUSB0", "serial:/dev/ttyUSB0?baud=4800", ""},
        FactoryRow{"ClientToAHostName", "tcp-client://plotter.local:2000", "tcp-client://plotter.local:2000", ""},
        FactoryRow{"LinkLocalWithItsInterface", "udp://[fe80::1%lo]:10110", "udp://[fe80::1%lo]:10110", ""},
        FactoryRow{"UnknownKind", "smtp://mail:25", "",
                   "\"smtp://mail:25\" is not an output: the kinds of output are serial:/dev/DEVICE?baud=RATE, "
                   "tcp://ADDRESS:PORT, tcp-client://HOST:PORT, udp://ADDRESS:PORT, pty:/LINK, file:/PATH, -."},
        FactoryRow{"RelativeFile", "file:log.nmea", "", "\"file:log.nmea\" is not an output: write it file:/ABSOLUTE/PATH."},
        // A "?" would cut the file's name short and the lines would go to /tmp/what.
        FactoryRow{"QuestionMarkInAFileName", "file:/tmp/what?.nmea", "",
                   "\"file:/tmp/what?.nmea\" is not an output: it takes no options (a path cannot hold \"?\")."},
        FactoryRow{"SerialWithoutSlash", "serial:ttyUSB0", "", "\"serial:ttyUSB0\" is not an output: write it serial:/ABSOLUTE/PATH."},
        FactoryRow{"BaudNotANumber", "serial:/dev/ttyUSB0?baud=fast", "",
                   "\"serial:/dev/ttyUSB0?baud=fast\" is not an output: the only option is baud=RATE, e.g. ?baud=4800."},
        FactoryRow{"BaudZero", "serial:/dev/ttyUSB0?baud=0", "",
                   "\"serial:/dev/ttyUSB0?baud=0\" is not an output: the only option is baud=RATE, e.g. ?baud=4800."},
        FactoryRow{"OtherSerialOption", "serial:/dev/ttyUSB0?parity=even", "",
                   "\"serial:/dev/ttyUSB0?parity=even\" is not an output: the only option is baud=RATE, e.g. ?baud=4800."},
        FactoryRow{"LinkLocalServer", "tcp://[fe80::1]:10110", "",
                   "\"tcp://[fe80::1]:10110\" is not an output: a link-local IPv6 address needs its interface, as in "
                   "[fe80::1%eth0]."},
        // fe80::/10 in any case, not only addresses written "fe80:".
        FactoryRow{"LinkLocalClientInMixedCase", "tcp-client://[Fe9a::1]:10110", "",
                   "\"tcp-client://[Fe9a::1]:10110\" is not an output: a link-local IPv6 address needs its interface, "
                   "as in [fe80::1%eth0]."},
        FactoryRow{"TcpServerOnAHostName", "tcp://localhost:10110", "",
                   "\"tcp://localhost:10110\" is not an output: \"localhost\" is not an IPv4 or IPv6 address."}),
    [](const ::testing::TestParamInfo<FactoryRow>& info) { return std::string(info.param.name); });

// The terminal device behind a link ("/dev/pts/3").
bool leadsToATerminal(const std::string& link) {
    return linkTarget(link).rfind("/dev/pts/", 0) == 0;
}

class OutputsTest : public ::testing::Test {
protected:
    // The program's own run-time folder (the records of its links) is one of the test's.
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        m_hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        m_runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder.path() + "/run"));
        QDir().mkpath(m_folder.path() + "/run");
    }
    void TearDown() override {
        if (m_hadRuntime) {
            qputenv("XDG_RUNTIME_DIR", m_runtime);
        } else {
            qunsetenv("XDG_RUNTIME_DIR");
        }
    }

    std::string link(const char* name = "ttyNMEA") const { return m_folder.path().toStdString() + "/" + name; }

    QTemporaryDir m_folder;
    bool m_hadRuntime = false;
    QByteArray m_runtime;
};

// gpsd reads the TCP server and the virtual port at once, as two devices, and reports the fix of
// the RMC sentences from each.
TEST_F(OutputsTest, GpsdReportsTheFixFromTheTcpServerAndTheVirtualPort) {
    if (!haveProgram(QStringLiteral("gpsd")) || !haveProgram(QStringLiteral("gpspipe"))) {
        GTEST_SKIP() << "gpsd or gpspipe is not installed";
    }
    Hub hub;
    OutputSettings settings;
    settings.tcp = settings.pty = true;
    settings.tcpPort = freeTcpPort();
    settings.ptyLink = link();
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});
    const QString tcpSource = QStringLiteral("tcp://127.0.0.1:%1").arg(settings.tcpPort);
    const QString ptySource = QString::fromStdString(settings.ptyLink);

    const int gpsdPort = freeTcpPort();
    QProcess gpsd;
    gpsd.setStandardOutputFile(QProcess::nullDevice());
    gpsd.setStandardErrorFile(QProcess::nullDevice());
    gpsd.start(programPath(QStringLiteral("gpsd")),
               {"-N", "-n", "-b", "-S", QString::number(gpsdPort), tcpSource, ptySource});
    ASSERT_TRUE(gpsd.waitForStarted(3000));
    ASSERT_TRUE(pumpUntil([&hub] { return hub.tcpClients() == 1; })) << "gpsd did not connect";

    QProcess gpspipe;
    gpspipe.start(programPath(QStringLiteral("gpspipe")),
                  {"-w", "-n", "30", QStringLiteral("localhost:%1").arg(gpsdPort)});
    ASSERT_TRUE(gpspipe.waitForStarted(3000));

    // Four sentences a second, each second's time told again, until both devices gave a fix.
    std::set<QString> fixed;
    QByteArray output;
    QDeadlineTimer deadline(12s);
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    for (int n = 0; fixed.size() < 2 && gpspipe.state() != QProcess::NotRunning && !deadline.hasExpired(); ++n) {
        hub.writeLine(rmcLine(utc.addSecs(n / 4)));
        pumpEvents(250ms);
        output += gpspipe.readAllStandardOutput();
        for (const QByteArray& line : output.split('\n')) {
            const QJsonObject report = QJsonDocument::fromJson(line).object();
            if (report.value("class").toString() == "TPV" && report.contains("lat")) {
                EXPECT_NEAR(report.value("lat").toDouble(), kLatitude, 1e-6);
                EXPECT_NEAR(report.value("lon").toDouble(), kLongitude, 1e-6);
                fixed.insert(report.value("device").toString());
            }
        }
    }
    stopProcess(gpspipe);
    stopProcess(gpsd);
    EXPECT_EQ(fixed, (std::set<QString>{tcpSource, ptySource})) << output.toStdString();
}

// 64 clients, one of which never reads, and one more that comes in the middle of the run. Lines
// are long so that the one who never reads fills the system's buffers within a few ticks.
TEST_F(OutputsTest, AClientThatNeverReadsIsCutOffWithoutDelayingTheOthers) {
    constexpr int kReaders = 63;
    constexpr std::size_t kLineBytes = 16 * 1024;
    constexpr int kLateClientTick = 2;
    constexpr int kLeastTicks = 5;
    constexpr auto kLatencyLimit = 250ms;

    Hub hub;
    OutputSettings settings;
    settings.tcp = true;
    settings.tcpPort = freeTcpPort();
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});

    std::vector<int> readers;
    for (int i = 0; i < kReaders; ++i) {
        readers.push_back(connectClient(settings.tcpPort));
        ASSERT_GE(readers.back(), 0);
    }
    const int stalled = connectClient(settings.tcpPort, 1);
    ASSERT_GE(stalled, 0);
    ASSERT_TRUE(pumpUntil([&] { return hub.tcpClients() == kReaders + 1; }))
        << hub.tcpClients() << " clients";
    // Switching another output on leaves the server and its clients alone.
    settings.pty = true;
    settings.ptyLink = link();
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});
    EXPECT_EQ(hub.tcpClients(), kReaders + 1);
    ClientReaders reading(readers);

    std::vector<Clock::time_point> written;
    int late = -1;
    std::string lateReceived;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (late >= 0) {
            lateReceived += readAvailable(late);
        } else if (written.size() == kLateClientTick) {
            late = connectClient(settings.tcpPort);
        }
        written.push_back(Clock::now());
        hub.writeLine(numberedLine(static_cast<int>(written.size()) - 1, kLineBytes));
    });
    timer.start(1000);
    const bool cutOff = pumpUntil(
        [&] {
            return written.size() >= kLeastTicks && late >= 0 && hungUp(stalled) &&
                   hub.tcpClients() == kReaders + 1;
        },
        15s);
    timer.stop();
    pumpEvents(200ms);
    reading.stop();
    ASSERT_TRUE(cutOff) << hub.tcpClients() << " clients after " << written.size() << " ticks";

    // Every reader has every line, whole and in order, each soon after it was written.
    std::string expected;
    for (std::size_t n = 0; n < written.size(); ++n) {
        expected += numberedLine(static_cast<int>(n), kLineBytes);
    }
    for (int i = 0; i < kReaders; ++i) {
        ASSERT_EQ(reading.received(i).size(), expected.size()) << "reader " << i;
        EXPECT_TRUE(reading.received(i) == expected) << "reader " << i;
    }
    const auto& arrivals = reading.firstLineArrivals();
    ASSERT_EQ(arrivals.size(), written.size());
    for (std::size_t n = 0; n < written.size(); ++n) {
        EXPECT_LT(arrivals[n] - written[n], kLatencyLimit) << "line " << n;
    }

    // The late client, connected just before a tick's line, has whole lines from the next on.
    ASSERT_GE(late, 0);
    lateReceived += readAvailable(late);
    ::close(late);
    EXPECT_TRUE(lateReceived == expected.substr((kLateClientTick + 1) * kLineBytes))
        << lateReceived.size() << " bytes";

    // The stalled client was reset, and nobody was told of a problem: a client is not one.
    bool ended = false;
    readAvailable(stalled, &ended);
    ::close(stalled);
    EXPECT_TRUE(ended);
    pumpEvents(50ms);
    for (const std::string& problem : hub.told("tcp://")) EXPECT_EQ(problem, "") << "a client is no problem";
}

// More clients than the server takes, all at once: the first 256 are served, the others turned
// away at once, and that is told once, not for each one turned away.
TEST_F(OutputsTest, TheTcpServerServesAtMostItsLimitAndSaysSoOnce) {
    constexpr int kTurnedAway = 4;
    constexpr int kServed = TcpServerOutput::kMaxClients;
    Hub hub;
    OutputSettings settings;
    settings.tcp = true;
    settings.tcpPort = freeTcpPort();
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});

    std::vector<int> clients;
    for (int i = 0; i < kServed + kTurnedAway; ++i) {
        clients.push_back(connectClient(settings.tcpPort));
        ASSERT_GE(clients.back(), 0) << "client " << i;
        // Accepted as they come: the system queues no more than the server's limit.
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(pumpUntil([&] { return hub.tcpClients() == kServed; })) << hub.tcpClients() << " clients";
    const std::string line = numberedLine(1, 40);
    hub.writeLine(line);
    pumpEvents(50ms);

    int served = 0;
    int closed = 0;
    for (const int fd : clients) {
        bool ended = false;
        const std::string received = readAvailable(fd, &ended);
        served += received == line && !ended ? 1 : 0;
        closed += received.empty() && ended ? 1 : 0;
        ::close(fd);
    }
    EXPECT_EQ(served, kServed);
    EXPECT_EQ(closed, kTurnedAway);
    std::vector<std::string> problems = hub.told("tcp://");
    std::erase(problems, "");
    EXPECT_EQ(problems, std::vector<std::string>{"The TCP server on 127.0.0.1:" + std::to_string(settings.tcpPort) +
                                                 " serves at most 256 clients at once; further clients are turned away."});
}

// Pelora connects out to a server (a QTcpServer here, as a logger or a chart program would
// listen): the server receives whole lines; when it goes away that is told once, however many
// tries fail, the lines meanwhile are dropped, and once it is back the output connects again
// within one retry and sends whole lines from the next on.
TEST_F(OutputsTest, TheTcpClientTellsAnOutageOnceAndConnectsAgain) {
    constexpr int kLineBytes = 80;
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    const std::string endpoint = "tcp-client://127.0.0.1:" + std::to_string(port);
    Hub hub;
    OutputSettings settings;
    settings.endpoints = {endpoint};
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});

    // Writes lines `first`..`last` and returns what a peer reading them all would receive.
    const auto writeLines = [&hub](int first, int last) {
        std::string lines;
        for (int n = first; n <= last; ++n) {
            lines += numberedLine(n, kLineBytes);
            hub.writeLine(numberedLine(n, kLineBytes));
        }
        return lines;
    };
    const auto receive = [](QTcpSocket& peer, std::size_t bytes) {
        std::string received;
        pumpUntil([&] {
            received += peer.readAll().toStdString();
            return received.size() >= bytes;
        });
        pumpEvents(50ms);
        return received + peer.readAll().toStdString();
    };

    ASSERT_TRUE(pumpUntil([&] { return server.hasPendingConnections() && hub.state(endpoint).running; }));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    peer->setParent(nullptr);
    const std::string before = writeLines(0, 2);
    EXPECT_EQ(receive(*peer, before.size()), before);

    // The server goes away: it stops listening and closes the connection.
    server.close();
    peer->close();
    ASSERT_TRUE(pumpUntil([&] { return hub.told("tcp-client://").size() == 2; }));
    const std::string outage = "Pelora cannot send to the TCP server 127.0.0.1:" + std::to_string(port) +
                               ": The remote host closed the connection. It tries again every 2 s.";
    // The connection, then the outage.
    EXPECT_EQ(hub.told("tcp-client://"), (std::vector<std::string>{"", outage}));
    EXPECT_FALSE(hub.state(endpoint).running);
    EXPECT_EQ(hub.state(endpoint).problem, outage);
    writeLines(100, 102);

    // Away for longer than one retry, so that a try fails (refused) without a second word; the
    // test waits for the retry's time because that is what it checks.
    pumpEvents(TcpClientOutput::kRetry + 300ms);
    EXPECT_EQ(hub.told("tcp-client://"), (std::vector<std::string>{"", outage}));
    writeLines(103, 105);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port));
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(pumpUntil([&] { return server.hasPendingConnections() && hub.state(endpoint).running; },
                          TcpClientOutput::kRetry + 1000ms));
    EXPECT_LE(back.elapsed(), (TcpClientOutput::kRetry + 500ms).count());
    std::unique_ptr<QTcpSocket> again(server.nextPendingConnection());
    again->setParent(nullptr);
    pumpEvents(50ms);
    EXPECT_EQ(hub.told("tcp-client://"), (std::vector<std::string>{"", outage, ""}));
    EXPECT_EQ(hub.state(endpoint).problem, "");

    const std::string after = writeLines(200, 202);
    EXPECT_EQ(receive(*again, after.size()), after) << "only the lines after the return, whole";
}

// A host that drops the connection attempts unanswered (here a listener whose queue is full, so
// the system drops them): the output says so once its answer time is out, rather than after the
// system's two minutes.
TEST_F(OutputsTest, TheTcpClientTellsAServerThatDoesNotAnswer) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int port = ntohs(address.sin_port);
    const int filler = connectClient(port);  // fills the queue; never accepted
    ASSERT_GE(filler, 0);

    Hub hub;
    OutputSettings settings;
    settings.endpoints = {"tcp-client://127.0.0.1:" + std::to_string(port)};
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});
    EXPECT_TRUE(pumpUntil([&] { return !hub.told("tcp-client://").empty(); },
                          TcpClientOutput::kAnswerTimeout + 1000ms));
    EXPECT_EQ(hub.told("tcp-client://"),
              std::vector<std::string>{"Pelora cannot send to the TCP server 127.0.0.1:" + std::to_string(port) +
                                       ": no answer within 2 s. It tries again every 2 s."});
    ::close(filler);
    ::close(listener);
}

struct UdpRow {
    const char* name;
    const char* address;  // where the datagrams go
    QHostAddress::SpecialAddress receiver;
};

class UdpOutputsTest : public OutputsTest, public ::testing::WithParamInterface<UdpRow> {};

// The TCP port is taken: the message names address, port and reason, and UDP and the virtual
// port work regardless. UDP sends one datagram per line; a line too long for a datagram is a
// failure told once, until a send goes through again.
TEST_P(UdpOutputsTest, OneDatagramPerLineWhileTheTcpPortIsTaken) {
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost));
    QUdpSocket receiver;
    ASSERT_TRUE(receiver.bind(QHostAddress(GetParam().receiver), 0));

    Hub hub;
    OutputSettings settings;
    settings.tcp = settings.udp = settings.pty = true;
    settings.tcpPort = occupant.serverPort();
    settings.udpAddress = GetParam().address;
    settings.udpPort = receiver.localPort();
    settings.ptyLink = link();
    const std::string where = "127.0.0.1:" + std::to_string(settings.tcpPort);
    EXPECT_EQ(hub.apply(settings),
              std::vector<std::string>{"The TCP server cannot listen on " + where +
                                       ": The bound address is already in use."});
    EXPECT_FALSE(hub.state(OutputRole::Tcp).running);
    EXPECT_EQ(hub.state(OutputRole::Tcp).where, where);
    EXPECT_TRUE(hub.state(OutputRole::Udp).running);
    EXPECT_TRUE(hub.state(OutputRole::Pty).running);

    PortReader port(settings.ptyLink);
    ASSERT_TRUE(port.isOpen());
    const std::string tooLong(70000, 'x');
    const std::vector<std::string> lines{rmcLine(QDateTime::currentDateTimeUtc()), tooLong, tooLong,
                                         rmcLine(QDateTime::currentDateTimeUtc().addSecs(1))};
    std::vector<std::string> datagrams;
    for (const std::string& line : lines) {
        hub.writeLine(line);
        if (line != tooLong) {
            EXPECT_EQ(port.read(), line);
        }
        pumpUntil([&] { return receiver.hasPendingDatagrams(); }, 200ms);
        while (receiver.hasPendingDatagrams()) {
            datagrams.push_back(receiver.receiveDatagram().data().toStdString());
        }
    }
    EXPECT_EQ(datagrams, (std::vector<std::string>{lines[0], lines[3]}));
    pumpEvents(50ms);
    const std::string failure = "UDP cannot send to " + std::string(GetParam().address) + ":" +
                                std::to_string(settings.udpPort) + ": Datagram was too large to send.";
    EXPECT_EQ(hub.told("udp://"), (std::vector<std::string>{failure, ""}));
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, UdpOutputsTest,
    ::testing::Values(UdpRow{"Loopback", "127.0.0.1", QHostAddress::LocalHost},
                      // The loopback network's broadcast address: a broadcast that stays on this computer.
                      UdpRow{"Broadcast", "127.255.255.255", QHostAddress::AnyIPv4}),
    [](const ::testing::TestParamInfo<UdpRow>& info) { return std::string(info.param.name); });

// Bytes waiting unread in the terminal behind the link.
int unreadBytes(const std::string& link) {
    const int fd = ::open(linkTarget(link).c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    int unread = -1;
    ::ioctl(fd, FIONREAD, &unread);
    ::close(fd);
    return unread;
}

// Days of ticks with nobody reading leave nothing behind; a reader who comes gets the current
// lines only, and readers may come and go.
TEST_F(OutputsTest, TheVirtualPortKeepsNothingForAnAbsentReader) {
    constexpr int kUnreadTicks = 100000;
    Hub hub;
    OutputSettings settings;
    settings.pty = true;
    settings.ptyLink = link();
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});

    std::string last;
    for (int n = 0; n < kUnreadTicks; ++n) {
        last = numberedLine(n, 40);
        hub.writeLine(last);
    }
    EXPECT_LE(unreadBytes(settings.ptyLink), static_cast<int>(last.size()));

    for (int visit = 0; visit < 3; ++visit) {
        PortReader reader(settings.ptyLink);
        ASSERT_TRUE(reader.isOpen());
        const std::string waiting = reader.read();
        EXPECT_TRUE(waiting.empty() || waiting == last) << waiting;
        for (int n = 0; n < 2; ++n) {
            last = numberedLine(kUnreadTicks + visit * 2 + n, 40);
            hub.writeLine(last);
            EXPECT_EQ(reader.read(), last);
        }
    }
}

struct LinkRow {
    const char* name;
    const char* path;  // the link, in the test's folder
    // Prepares what is at `link` before the hub asks for it; what it returns lives until the end.
    std::shared_ptr<void> (*prepare)(const std::string& link);
    const char* reason;  // the end of the message; "" when the link is made
    bool dialogAccepts;  // the output dialog's check lets the link through
};

void PrintTo(const LinkRow& row, std::ostream* out) { *out << row.name; }

class PtyLinkTest : public OutputsTest, public ::testing::WithParamInterface<LinkRow> {};

// Whatever the outcome, files of the user's beside the link are left alone.
TEST_P(PtyLinkTest, TheLinkIsMadeOrRefusedAndRemovedAtTheEnd) {
    const std::string path = link(GetParam().path);
    const std::shared_ptr<void> kept = GetParam().prepare(path);
    const std::string before = linkTarget(path);
    const QString folder = QFileInfo(QString::fromStdString(folderOf(path))).canonicalFilePath();
    const bool userFolder = folder.startsWith(QFileInfo(m_folder.path()).canonicalFilePath()) &&
                            !folder.startsWith(QFileInfo(m_folder.path() + "/run").canonicalFilePath());
    const std::vector<std::string> neighbours{path + ".lock", path + ".new"};
    if (userFolder) {
        for (const std::string& neighbour : neighbours) {
            writeBytes(neighbour, "the user's own");
        }
    }

    Hub hub;
    OutputSettings settings;
    settings.pty = true;
    settings.ptyLink = path;
    EXPECT_EQ(outputSettingsProblems(settings).empty(), GetParam().dialogAccepts);
    const std::vector<std::string> problems = hub.apply(settings);
    if (*GetParam().reason == '\0') {
        EXPECT_EQ(problems, std::vector<std::string>{});
        EXPECT_TRUE(leadsToATerminal(path)) << linkTarget(path);
        hub.stopAll();
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)) || QFileInfo(QString::fromStdString(path)).isSymLink());
        EXPECT_EQ(QDir(m_folder.path() + "/run/pelora").entryList(QDir::Files | QDir::System), QStringList())
            << "the records of the links go too";
    } else {
        EXPECT_EQ(problems, std::vector<std::string>{"The virtual serial port cannot use " + path + ": " +
                                                     GetParam().reason + "."});
        EXPECT_FALSE(hub.state(OutputRole::Pty).running);
        EXPECT_EQ(linkTarget(path), before);
    }
    if (userFolder) {
        for (const std::string& neighbour : neighbours) {
            EXPECT_EQ(readBytes(neighbour), "the user's own") << neighbour;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Links, PtyLinkTest,
    ::testing::Values(
        LinkRow{"Fresh", "ttyNMEA", [](const std::string&) { return std::shared_ptr<void>(); }, "", true},
        // What a killed program leaves: its link to a terminal that is gone, its record unlocked.
        LinkRow{"StaleLinkOfItsOwnIsReplaced", "ttyNMEA",
                [](const std::string& link) {
                    const pid_t child = ::fork();
                    if (child == 0) {
                        OwnedLink owned;
                        if (owned.claim(link).empty() && owned.place("/dev/pts/9999").empty()) ::raise(SIGKILL);
                        ::_exit(1);
                    }
                    int status = 0;
                    ::waitpid(child, &status, 0);
                    EXPECT_TRUE(WIFSIGNALED(status)) << "the child did not make its link";
                    return std::shared_ptr<void>();
                },
                "", true},
        // The default link as an earlier version, which kept no record, left it in the program's
        // own folder.
        LinkRow{"StaleLinkInItsOwnFolderIsReplaced", "run/pelora/ttyNMEA",
                [](const std::string& link) {
                    QDir().mkpath(QString::fromStdString(folderOf(link)));
                    ::chmod(folderOf(link).c_str(), 0700);
                    QFile::link(QStringLiteral("/dev/pts/9999"), QString::fromStdString(link));
                    return std::shared_ptr<void>();
                },
                "", true},
        LinkRow{"LiveLinkIsRefused", "ttyNMEA",
                [](const std::string& link) {
                    auto owner = std::make_shared<Hub>();
                    OutputSettings settings;
                    settings.pty = true;
                    settings.ptyLink = link;
                    owner->apply(settings);
                    return std::shared_ptr<void>(owner);
                },
                "another Pelora is using it", true},
        // A link to a terminal that is gone, as earlier versions left it, or the user's own.
        LinkRow{"LinkItDidNotMakeIsLeftAlone", "ttyNMEA",
                [](const std::string& link) {
                    QFile::link(QStringLiteral("/dev/pts/9999"), QString::fromStdString(link));
                    return std::shared_ptr<void>();
                },
                "it is a link that Pelora did not make; it was left as it is", false},
        LinkRow{"FileIsLeftAlone", "ttyNMEA",
                [](const std::string& link) {
                    QFile file(QString::fromStdString(link));
                    file.open(QIODevice::WriteOnly);
                    file.write("keep");
                    return std::shared_ptr<void>();
                },
                "it exists and is not a link; it was left as it is", false},
        // /etc/passwd, the file beside it the system's lock, reached through a link to /etc.
        LinkRow{"SystemFolderIsRefused", "etc/passwd",
                [](const std::string& link) {
                    QFile::link(QStringLiteral("/etc"), QString::fromStdString(folderOf(link)));
                    return std::shared_ptr<void>();
                },
                "it is in the system folder /etc, where Pelora makes no links", false}),
    [](const ::testing::TestParamInfo<LinkRow>& info) { return std::string(info.param.name); });

// With no link chosen, the link is made in a private folder of the runtime folder.
TEST_F(OutputsTest, TheDefaultLinkIsInAPrivateFolderOfTheRuntimeFolder) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", m_folder.path().toLocal8Bit());
    {
        Hub hub;
        OutputSettings settings;
        settings.pty = true;
        EXPECT_EQ(hub.apply(settings), std::vector<std::string>{});
        EXPECT_EQ(hub.state(OutputRole::Pty).where, link("pelora/ttyNMEA"));
        EXPECT_TRUE(leadsToATerminal(link("pelora/ttyNMEA")));
        struct stat folder {};
        ASSERT_EQ(::stat(link("pelora").c_str(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 0777, 0700u);
    }
    EXPECT_FALSE(QFileInfo(QString::fromStdString(link("pelora/ttyNMEA"))).isSymLink());
    qputenv("XDG_RUNTIME_DIR", runtime);
    if (runtime.isEmpty()) {
        qunsetenv("XDG_RUNTIME_DIR");
    }
}

}  // namespace
}  // namespace pelora
