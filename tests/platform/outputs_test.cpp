// The outputs besides the serial port, with real peers: gpsd reading the TCP server and the
// virtual serial port, UDP sockets, TCP clients that read, one that never reads and one that
// comes late, and readers of the virtual port that come and go.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QTcpServer>
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

#include "nmea/sentence.h"
#include "outputs/output_checks.h"
#include "outputs/output_hub.h"
#include "outputs/pty_output.h"
#include "outputs/tcp_server_output.h"
#include "platform/owned_link.h"
#include "text/text.h"
#include "serial_peers.h"
#include "support/file_bytes.h"

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
    OutputHub hub;
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
    ASSERT_TRUE(pumpUntil([&hub] { return hub.status().tcpClients == 1; })) << "gpsd did not connect";

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

    OutputHub hub;
    int problems = 0;
    hub.setListener([&problems](const std::string& problem) { problems += problem.empty() ? 0 : 1; });
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
    ASSERT_TRUE(pumpUntil([&] { return hub.status().tcpClients == kReaders + 1; }))
        << hub.status().tcpClients << " clients";
    // Switching another output on leaves the server and its clients alone.
    settings.pty = true;
    settings.ptyLink = link();
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});
    EXPECT_EQ(hub.status().tcpClients, kReaders + 1);
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
                   hub.status().tcpClients == kReaders + 1;
        },
        15s);
    timer.stop();
    pumpEvents(200ms);
    reading.stop();
    ASSERT_TRUE(cutOff) << hub.status().tcpClients << " clients after " << written.size() << " ticks";

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
    EXPECT_EQ(problems, 0);
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

    OutputHub hub;
    std::vector<std::string> told;
    hub.setListener([&told](const std::string& problem) { told.push_back(problem); });
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
    const OutputStatus status = hub.status();
    EXPECT_FALSE(status.tcp.on);
    EXPECT_EQ(status.tcp.where, where);
    EXPECT_TRUE(status.udp.on);
    EXPECT_TRUE(status.pty.on);

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
    EXPECT_EQ(told, (std::vector<std::string>{failure, ""}));
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, UdpOutputsTest,
    ::testing::Values(UdpRow{"Loopback", "127.0.0.1", QHostAddress::LocalHost},
                      // The loopback network's broadcast address: a broadcast that stays on this computer.
                      UdpRow{"Broadcast", "127.255.255.255", QHostAddress::AnyIPv4}),
    [](const ::testing::TestParamInfo<UdpRow>& info) { return std::string(info.param.name); });

// Bytes waiting unread in the terminal behind the link.
int unreadBytes(const PtyOutput& pty) {
    const int fd = ::open(pty.devicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    int unread = -1;
    ::ioctl(fd, FIONREAD, &unread);
    ::close(fd);
    return unread;
}

// Days of ticks with nobody reading leave nothing behind; a reader who comes gets the current
// lines only, and readers may come and go.
TEST_F(OutputsTest, TheVirtualPortKeepsNothingForAnAbsentReader) {
    constexpr int kUnreadTicks = 100000;
    OutputHub hub;
    OutputSettings settings;
    settings.pty = true;
    settings.ptyLink = link();
    ASSERT_EQ(hub.apply(settings), std::vector<std::string>{});

    std::string last;
    for (int n = 0; n < kUnreadTicks; ++n) {
        last = numberedLine(n, 40);
        hub.writeLine(last);
    }
    EXPECT_LE(unreadBytes(hub.pty()), static_cast<int>(last.size()));

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

    OutputHub hub;
    OutputSettings settings;
    settings.pty = true;
    settings.ptyLink = path;
    EXPECT_EQ(outputSettingsProblems(settings).empty(), GetParam().dialogAccepts);
    const std::vector<std::string> problems = hub.apply(settings);
    if (*GetParam().reason == '\0') {
        EXPECT_EQ(problems, std::vector<std::string>{});
        EXPECT_EQ(linkTarget(path), hub.pty().devicePath());
        hub.stopAll();
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)) || QFileInfo(QString::fromStdString(path)).isSymLink());
        EXPECT_EQ(QDir(m_folder.path() + "/run/pelora").entryList(QDir::Files | QDir::System), QStringList())
            << "the records of the links go too";
    } else {
        EXPECT_EQ(problems, std::vector<std::string>{"The virtual serial port cannot use " + path + ": " +
                                                     GetParam().reason + "."});
        EXPECT_FALSE(hub.status().pty.on);
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
                    auto owner = std::make_shared<OutputHub>();
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
        OutputHub hub;
        OutputSettings settings;
        settings.pty = true;
        EXPECT_EQ(hub.apply(settings), std::vector<std::string>{});
        EXPECT_EQ(hub.status().pty.where, link("pelora/ttyNMEA"));
        EXPECT_EQ(linkTarget(link("pelora/ttyNMEA")), hub.pty().devicePath());
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
