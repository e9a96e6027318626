// The command line and the program run headless: no window, no display, real peers.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

#include "app/command_line.h"
#include "platform/serial_peers.h"
#include "support/sentence_check.h"

namespace pelora::testing {
namespace {

using namespace std::chrono_literals;

// --- The command line ---------------------------------------------------------------------------

struct CommandRow {
    const char* name;
    std::vector<const char*> arguments;
    CommandLine::Action action;
    const char* error;  // part of the reason, for Action::Error
};

void PrintTo(const CommandRow& row, std::ostream* out) { *out << row.name; }

class CommandLineTable : public ::testing::TestWithParam<CommandRow> {};

TEST_P(CommandLineTable, ReadsOrRefusesWithTheReason) {
    QStringList arguments{QStringLiteral("pelora")};
    for (const char* argument : GetParam().arguments) arguments << QString::fromUtf8(argument);
    const CommandLine line = parseCommandLine(arguments);
    EXPECT_EQ(line.action, GetParam().action) << line.error;
    EXPECT_NE(line.error.find(GetParam().error), std::string::npos) << line.error;
}

using Action = CommandLine::Action;
INSTANTIATE_TEST_SUITE_P(
    , CommandLineTable,
    ::testing::Values(
        CommandRow{"NothingOpensTheWindow", {}, Action::Window, ""},
        CommandRow{"QtsOwnOptionsAreLeftToQt", {"-platform", "offscreen", "-style", "fusion"}, Action::Window, ""},
        CommandRow{"AStrayArgumentIsRefused", {"chart.vyg", "-platform", "offscreen"}, Action::Error,
                   "\"chart.vyg\" is not an option"},
        CommandRow{"Help", {"--run", "--help"}, Action::Help, ""},
        CommandRow{"Version", {"--version"}, Action::Version, ""},
        CommandRow{"Headless", {"--headless", "--count", "3", "--tcp", "[::1]:10110"}, Action::Headless, ""},
        CommandRow{"UnknownOption", {"--frobnicate"}, Action::Error, "Unknown option 'frobnicate'"},
        CommandRow{"MissingValue", {"--speed"}, Action::Error, "Missing value after '--speed'"},
        CommandRow{"NotANumber", {"--speed", "fast"}, Action::Error, "\"fast\" is not a number"},
        CommandRow{"CourseAndRate", {"--course", "90", "--rate", "1"}, Action::Error, "cannot be used together"},
        CommandRow{"PortOutOfRange", {"--tcp", "70000"}, Action::Error, "port number from 1 to 65535"},
        CommandRow{"UdpNeedsAnAddress", {"--udp", "10110"}, Action::Error, "is not ADDRESS:PORT"},
        CommandRow{"BadAddress", {"--udp", "192.168.1:10110"}, Action::Error, "not an IPv4 or IPv6 address"},
        CommandRow{"LinkLocalNeedsItsInterface", {"--tcp", "[fe80::1]:10110"}, Action::Error, "needs its interface"},
        CommandRow{"ComPortOutOfRange", {"--port", "17"}, Action::Error, "from 1 to 16"},
        CommandRow{"UnknownSentence", {"--sentence", "VTG"}, Action::Error, "is not GLL, GGA or RMC"},
        CommandRow{"UnknownBaudRate", {"--baud", "110"}, Action::Error, "is not 1200"},
        CommandRow{"FastestBaudRate", {"--baud", "115200"}, Action::Window, ""},
        CommandRow{"CountNeedsHeadless", {"--count", "5"}, Action::Error, "--count needs --headless"},
        CommandRow{"DefaultsNeedsHeadless", {"--defaults"}, Action::Error, "--defaults needs --headless"},
        CommandRow{"PaceLogNeedsAFile", {"--headless", "--pace", "log"}, Action::Error, "needs --play FILE"},
        CommandRow{"UnknownOutputKind", {"--output", "smtp://x:1"}, Action::Error, "the kinds of output are"},
        CommandRow{"LatitudeThatIsNoPosition", {"--lat", "abc"}, Action::Error, "is not a latitude"},
        CommandRow{"LatitudeBeyondThePole", {"--lat", "99999999999999999999N"}, Action::Error, "is not a latitude"},
        CommandRow{"SignedDecimalDegrees", {"--lat", "-33.9", "--lon", "-3.25"}, Action::Window, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Each number users rely on: its lowest and highest accepted value and the first refused.
struct LimitRow {
    const char* name;
    const char* option;
    const char* accepted;
    const char* refused;
};

class CommandLineLimits : public ::testing::TestWithParam<LimitRow> {};

TEST_P(CommandLineLimits, AcceptsTheLastValueInsideAndRefusesTheFirstOutside) {
    const LimitRow& row = GetParam();
    const auto parse = [&row](const char* value) {
        return parseCommandLine({"pelora", "--headless", QString::fromLatin1(row.option), QString::fromLatin1(value)});
    };
    EXPECT_EQ(parse(row.accepted).action, CommandLine::Action::Headless) << parse(row.accepted).error;
    const CommandLine refused = parse(row.refused);
    EXPECT_EQ(refused.action, CommandLine::Action::Error) << row.refused;
    EXPECT_EQ(refused.error.rfind(std::string(row.option) + ": ", 0), 0u) << refused.error;
}

INSTANTIATE_TEST_SUITE_P(
    , CommandLineLimits,
    ::testing::Values(LimitRow{"FewestSentences", "--count", "1", "0"},
                      LimitRow{"MostSentences", "--count", "9223372036854775807", "9223372036854775808"},
                      LimitRow{"ShortestRun", "--duration", "0.001", "0"},
                      LimitRow{"LongestRun", "--duration", "31536000", "31536000.5"},
                      LimitRow{"SlowestPace", "--speedup", "0.01", "0.0099"},
                      LimitRow{"FastestPace", "--speedup", "1000", "1000.5"},
                      LimitRow{"FewestDecimals", "--decimals", "0", "-1"},
                      LimitRow{"MostDecimals", "--decimals", "15", "16"},
                      LimitRow{"FirstPort", "--port", "1", "0"},
                      LimitRow{"LastPort", "--port", "16", "17"},
                      LimitRow{"LowestCourse", "--course", "0", "-0.1"},
                      LimitRow{"HighestCourse", "--course", "359.9", "360"},
                      LimitRow{"FastestSpeed", "--speed", "100", "100.1"},
                      LimitRow{"RateToPort", "--rate", "-90", "-90.5"},
                      LimitRow{"RateToStarboard", "--rate", "90", "90.5"},
                      LimitRow{"LongestResponse", "--response", "3600", "3601"},
                      LimitRow{"HighestSea", "--sea", "100", "100.5"},
                      LimitRow{"LargestNoise", "--noise", "1000", "1000.5"},
                      LimitRow{"LargestSeed", "--seed", "18446744073709551615", "18446744073709551616"},
                      LimitRow{"SouthPole", "--lat", "-90", "-90.5"},
                      LimitRow{"DateLine", "--lon", "180", "180.0001"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, OptionsOverTheStoredOutputChoices) {
    const CommandLine line = parseCommandLine({"pelora", "--tcp", "0.0.0.0:2000", "--pty-link", "/tmp/x", "--utc"});
    OutputSettings stored;
    stored.udp = true;
    const OutputSettings run = line.outputsOver(stored);
    EXPECT_TRUE(run.tcp && run.udp && run.pty && run.utc);
    EXPECT_EQ(run.tcpAddress, "0.0.0.0");
    EXPECT_EQ(run.tcpPort, 2000);
    EXPECT_EQ(run.ptyLink, "/tmp/x");
}

// --- The program run headless -------------------------------------------------------------------

class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_home.isValid()); }
    void TearDown() override {
        for (QProcess* process : m_processes) stopProcess(*process);
        qDeleteAll(m_processes);
    }

    QString path(const QString& name) const { return m_home.path() + '/' + name; }

    // Starts the built program headless in a private settings and runtime folder, with no
    // display at all; in `folder` when given, its standard output piped to `reader` when given
    // (a process not started yet).
    QProcess& start(const QStringList& arguments, const QString& folder = {}, QProcess* reader = nullptr) {
        auto* program = new QProcess;
        m_processes.push_back(program);
        if (!folder.isEmpty()) program->setWorkingDirectory(folder);
        if (reader != nullptr) program->setStandardOutputProcess(reader);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
        program->setProcessEnvironment(environment);
        program->start(QStringLiteral(PELORA_BUILD_DIR "/pelora"), QStringList{"--headless"} + arguments);
        EXPECT_TRUE(program->waitForStarted(5000));
        return *program;
    }

    // Waits for the program to end by itself; true with exit status 0.
    static bool endsWell(QProcess& program, std::chrono::milliseconds within) {
        return program.waitForFinished(static_cast<int>(within.count())) &&
               program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
    }

    // The lines of `bytes`, CR LF taken off; fails the test when one does not end with CR LF.
    static std::vector<std::string> crlfLines(const QByteArray& bytes) {
        std::vector<std::string> lines;
        const std::string text = bytes.toStdString();
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find('\n', start);
            if (end == std::string::npos || end == start || text[end - 1] != '\r') {
                ADD_FAILURE() << "not a line ending with CR LF at byte " << start << ": " << text;
                break;
            }
            lines.push_back(text.substr(start, end - 1 - start));
            start = end + 1;
        }
        return lines;
    }

    static QStringList lines(const QString& file) {
        QFile recorded(file);
        if (!recorded.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(recorded.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_home;
    std::vector<QProcess*> m_processes;
};

TEST_F(HeadlessRun, GpsdReadsTheFixesOnTheVirtualPortAndTheLinkIsGoneAtTheEnd) {
    if (!haveProgram(QStringLiteral("gpsd")) || !haveProgram(QStringLiteral("gpspipe"))) {
        GTEST_SKIP() << "gpsd or gpspipe is not installed";
    }
    const QString link = path(QStringLiteral("ttyGPS"));
    QProcess& pelora = start({"--count", "5", "--sentence", "RMC", "--speed", "6", "--course", "0",
                              "--pty-link", link, "--utc"});
    QDeadlineTimer made(5s);
    while (!QFile::exists(link) && !made.hasExpired()) QThread::msleep(10);
    ASSERT_TRUE(QFile::exists(link)) << pelora.readAllStandardError().toStdString();

    const int port = freeTcpPort();
    QProcess gpsd;
    gpsd.setStandardOutputFile(QProcess::nullDevice());
    gpsd.setStandardErrorFile(QProcess::nullDevice());
    gpsd.start(programPath(QStringLiteral("gpsd")), {"-N", "-n", "-b", "-S", QString::number(port), link});
    ASSERT_TRUE(gpsd.waitForStarted(3000));
    QProcess gpspipe;
    QThread::msleep(200);
    gpspipe.start(programPath(QStringLiteral("gpspipe")), {"-w", "-x", "8", QStringLiteral("localhost:%1").arg(port)});
    ASSERT_TRUE(gpspipe.waitForStarted(3000));

    EXPECT_TRUE(endsWell(pelora, 15s)) << pelora.readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(link)) << "the link is removed at the end";
    gpspipe.waitForFinished(3000);
    stopProcess(gpspipe);
    stopProcess(gpsd);
    int fixes = 0;
    for (const QByteArray& line : gpspipe.readAllStandardOutput().split('\n')) {
        const QJsonObject report = QJsonDocument::fromJson(line).object();
        if (report.value("class").toString() == "TPV" && report.contains("lat")) {
            ++fixes;
            EXPECT_NEAR(report.value("lat").toDouble(), 54.0, 0.01);
            EXPECT_NEAR(report.value("lon").toDouble(), 1.0, 1e-6) << "due north from 1 E";
        }
    }
    EXPECT_GE(fixes, 2) << "gpsd reported no fix from the virtual port";
}

// Standard output carries the sentences and nothing else: whole lines, each a sentence a
// receiver takes.
TEST_F(HeadlessRun, StandardOutputCarriesWholeSentencesOnly) {
    QProcess& pelora = start({"--defaults", "--count", "3", "--speedup", "20", "--output", "-", "--quiet"});
    ASSERT_TRUE(endsWell(pelora, 10s)) << pelora.readAllStandardError().toStdString();
    const std::vector<std::string> lines = crlfLines(pelora.readAllStandardOutput());
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& sentence : lines) {
        EXPECT_TRUE(sentence.rfind("$GPRMC,", 0) == 0 || sentence.rfind("$GPGLL,", 0) == 0) << sentence;
        EXPECT_EQ(sentenceFault(sentence), "") << sentence;
    }
}

// `pelora --output - | head -n 1`: the reader goes away after one line. The program says so,
// neither dies of the broken pipe nor hangs, and ends with a failure: an output the command line
// named failed.
TEST_F(HeadlessRun, AReaderThatClosesStandardOutputFailsTheRunWithoutKillingIt) {
    QProcess head;
    // Two seconds of sentences, long enough for head to be gone before the last.
    QProcess& pelora = start({"--defaults", "--count", "40", "--speedup", "20", "--output", "-", "--quiet"}, {}, &head);
    head.start(QStringLiteral("head"), {"-n", "1"});
    ASSERT_TRUE(head.waitForStarted(3000));
    ASSERT_TRUE(pelora.waitForFinished(10000)) << "the program hangs";
    const std::string errors = pelora.readAllStandardError().toStdString();
    EXPECT_EQ(pelora.exitStatus(), QProcess::NormalExit) << "ended by signal " << pelora.exitCode();
    EXPECT_EQ(pelora.exitCode(), 1) << errors;
    EXPECT_EQ(errors,
              "pelora: Standard output was closed by its reader.\npelora: an output failed during the run\n");
    ASSERT_TRUE(head.waitForFinished(3000));
    const std::vector<std::string> first = crlfLines(head.readAllStandardOutput());
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(sentenceFault(first[0]), "") << first[0];
}

// A run with no beat to keep waits for a reader slower than itself (one that reads nothing for
// a second, while the run fills the pipe many times over) rather than dropping what it made.
TEST_F(HeadlessRun, AFastRunWaitsForASlowReaderAndLosesNoLine) {
    QProcess reader;
    QProcess& pelora = start({"--defaults", "--quiet", "--profile", "marine", "--fast", "--count", "3000", "--output", "-"},
                             {}, &reader);
    const QString taken = path(QStringLiteral("taken.nmea"));
    reader.setStandardOutputFile(taken);
    reader.start(QStringLiteral("sh"), {"-c", "sleep 1; exec cat"});
    ASSERT_TRUE(reader.waitForStarted(3000));
    ASSERT_TRUE(endsWell(pelora, 20s)) << pelora.readAllStandardError().toStdString();
    ASSERT_TRUE(reader.waitForFinished(10000));
    QFile file(taken);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<std::string> sent = crlfLines(file.readAll());
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& line) { return line.rfind("$GPRMC,", 0) == 0; }),
              3000);
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& line) { return !sentenceFault(line).empty(); }),
              0);
}

// --output file:NAME is the file NAME in the folder the program was started in (the window moves
// its current folder later), appended to, a line with CR LF for each sentence.
TEST_F(HeadlessRun, ARelativeFileOutputIsAppendedInTheStartingFolder) {
    const QString folder = path(QStringLiteral("start"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile log(folder + QStringLiteral("/log.nmea"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("$GPTXT,earlier\r\n");
    log.close();

    QProcess& pelora = start({"--defaults", "--count", "3", "--speedup", "20", "--output", "file:log.nmea", "--quiet"},
                             folder);
    ASSERT_TRUE(endsWell(pelora, 10s)) << pelora.readAllStandardError().toStdString();
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const std::vector<std::string> lines = crlfLines(log.readAll());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "$GPTXT,earlier");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(sentenceFault(lines[i]), "") << lines[i];
    }
}

TEST_F(HeadlessRun, TheSameSeedSendsTheSamePositionsAndAnotherSeedOthers) {
    const auto run = [this](const char* seed, const QString& file) {
        QProcess& pelora = start({"--count", "4", "--speedup", "5", "--sentence", "GGA", "--decimals", "6",
                                  "--speed", "6", "--course", "45", "--noise", "20", "--sea", "5", "--seed",
                                  seed, "--record", file, "--quiet"});
        EXPECT_TRUE(endsWell(pelora, 10s)) << pelora.readAllStandardError().toStdString();
        QStringList positions;
        for (const QString& line : lines(file)) positions << line.section(QLatin1Char(','), 2, 5);
        return positions;
    };
    const QStringList first = run("7", path("first.vyg"));
    const QStringList again = run("7", path("again.vyg"));
    const QStringList other = run("8", path("other.vyg"));
    ASSERT_EQ(first.size(), 4);
    ASSERT_EQ(again.size(), 4);
    ASSERT_EQ(other.size(), 4);
    const auto minutes = [](const QString& field) { return field.mid(field.indexOf('.') - 2).toDouble(); };
    for (qsizetype i = 1; i < first.size(); ++i) {
        // The timing of the ticks moves the ship a few millimetres: far below a thousandth of
        // a minute (1.9 m); the noise of another seed moves it metres.
        const QStringList a = first[i].split(','), b = again[i].split(','), c = other[i].split(',');
        EXPECT_NEAR(minutes(a[0]), minutes(b[0]), 1e-3) << first[i].toStdString() << " / " << again[i].toStdString();
        EXPECT_NEAR(minutes(a[2]), minutes(b[2]), 1e-3) << first[i].toStdString() << " / " << again[i].toStdString();
        EXPECT_GT(std::abs(minutes(a[0]) - minutes(c[0])) + std::abs(minutes(a[2]) - minutes(c[2])), 2e-3)
            << first[i].toStdString() << " / " << other[i].toStdString();
    }
}

TEST_F(HeadlessRun, AReceiverLogPlaysAtItsOwnPaceOneTimeGroupASecondInOrder) {
    QStringList log;
    for (const char* time : {"123519", "123520", "123521"}) {
        const QString t = QString::fromLatin1(time);
        log << "$GPGGA," + t + ",5400.0000,N,00100.0000,E,1,08,0.9,0.0,M,0.0,M,," << "$GPGSA,A,3,04,05,,,,,,,,,,,2.5,1.3,2.1"
            << "$GPGSV,2,1,08,01,40,083,46" << "$GPGSV,2,2,08,02,17,308,41"
            << "$GPRMC," + t + ",A,5400.0000,N,00100.0000,E,6.0,000.0,071226,0.0,E" << "$GPVTG,000.0,T,,M,6.0,N,11.1,K";
    }
    QFile file(path("receiver.nmea"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((log.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    file.close();

    const int port = freeTcpPort();
    QProcess& pelora = start({"--play", file.fileName(), "--pace", "log", "--tcp", QString::number(port), "--quiet"});
    QTcpSocket client;
    QDeadlineTimer listening(5s);
    do {
        client.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    } while (!client.waitForConnected(100) && !listening.hasExpired());
    ASSERT_EQ(client.state(), QAbstractSocket::ConnectedState);

    QElapsedTimer clock;
    clock.start();
    QStringList received;
    std::vector<qint64> arrivals;
    QByteArray pending;
    while (received.size() < log.size() && clock.elapsed() < 8000) {
        if (client.waitForReadyRead(100)) {
            pending += client.readAll();
            qsizetype end;
            while ((end = pending.indexOf("\r\n")) >= 0) {
                received << QString::fromLatin1(pending.left(end));
                arrivals.push_back(clock.elapsed());
                pending.remove(0, end + 2);
            }
        }
    }
    EXPECT_EQ(received, log);
    ASSERT_EQ(arrivals.size(), 18u);
    for (std::size_t group = 0; group < 3; ++group) {
        EXPECT_LT(arrivals[group * 6 + 5] - arrivals[group * 6], 100) << "a group goes out together";
        if (group > 0) {
            EXPECT_NEAR(arrivals[group * 6] - arrivals[group * 6 - 6], 1000, 200) << "one group a second";
        }
    }
    EXPECT_TRUE(endsWell(pelora, 5s)) << "the run ends after the log";
}

// A second Pelora on a device the first holds is refused, says who holds it, and a headless run
// that was given the device by name ends with status 1 rather than sending to nothing.
TEST_F(HeadlessRun, ASecondRunOnTheSameDeviceSaysWhoHoldsItAndFails) {
    if (!haveProgram(QStringLiteral("socat"))) GTEST_SKIP() << "socat is not installed";
    SocatPair pair(path(QStringLiteral("pair")), QStringLiteral("held"));
    QDir().mkpath(path(QStringLiteral("pair")));
    ASSERT_TRUE(pair.start());
    QProcess& first = start({"--defaults", "--device", pair.near(), "--quiet"});
    QDeadlineTimer opened(5s);
    QByteArray told;
    while (!told.contains("Port:  1: OK") && !opened.hasExpired()) {
        first.waitForReadyRead(100);
        told += first.readAllStandardError();
    }
    ASSERT_TRUE(told.contains("Port:  1: OK")) << told.toStdString();

    QProcess& second = start({"--defaults", "--device", pair.near(), "--count", "1", "--quiet"});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    const std::string said = second.readAllStandardError().toStdString();
    EXPECT_NE(said.find("in use by another program: pelora (process " + std::to_string(first.processId()) + ")"),
              std::string::npos)
        << said;
}

}  // namespace
}  // namespace pelora::testing
