// The real window sending on a real serial line: a socat pseudo-terminal pair mapped as a COM
// port, read at its far end by the test or by gpsd.

#include <algorithm>
#include <cmath>

#include <QJsonDocument>
#include <QJsonObject>

#include <netinet/in.h>
#include <sys/socket.h>

#include "e2e_fixture.h"
#include "platform/qt_serial_control.h"
#include "support/sentence_check.h"

namespace pelora::testing {
namespace {

const std::string kNoPortsNotice =
    "No hardware serial ports are available.\r\n"
    "You should connect a 'USB to Serial Port Converter' into an unused USB socket.";

class SerialEndToEndTest : public EndToEndTest {};

TEST_F(SerialEndToEndTest, ProbeOpensTheMappedPortAndEveryTickSendsItsSentenceAsOneLine) {
    SocatPair& pair = startPair(1);
    startWindow();
    EXPECT_EQ(status(), "Port:  1: OK");
    EXPECT_EQ(baudText(), "4800,N,8,1");
    EXPECT_EQ(portList().count(), 16);
    EXPECT_EQ(portList().currentIndex(), -1) << "the probe selects no entry";
    EXPECT_TRUE(notices.empty());

    FarEnd far(pair.far());
    ASSERT_TRUE(far.isOpen());
    window->CMD_GO_Click(0);
    std::vector<std::string> lines;
    for (int n = 0; n < 3; ++n) {
        tick();
        const std::string shown = status();
        EXPECT_EQ(sentenceFault(shown), "") << shown;
        const std::string line = readLine(far);
        EXPECT_EQ(line, shown + "\r\n") << "tick " << n;
        lines.push_back(line);
    }
    EXPECT_NE(lines[0], lines[2]) << "the time of day moves on";
    EXPECT_EQ(far.read(1, 200ms), "") << "nothing is sent between ticks";
}

TEST_F(SerialEndToEndTest, BaudMenuReopensTheSelectedPortAndTheLabelFollows) {
    SocatPair& pair = startPair(1);
    startWindow();
    auto* baud9600 = child<QAction>("MNU_Baud_3");
    auto* baud4800 = child<QAction>("MNU_Baud_2");

    // The probe selected no entry: a new rate reopens the probed port at that rate.
    baud9600->trigger();
    EXPECT_EQ(status(), "Port:  1: OK");
    EXPECT_TRUE((*serial).PortOpen());
    EXPECT_EQ(baudText(), "9600,N,8,1");

    pickPort(0);
    EXPECT_EQ(status(), "Port:  1: OK");
    EXPECT_EQ(baudText(), "9600,N,8,1");
    baud4800->trigger();
    EXPECT_EQ(baudText(), "4800,N,8,1");
    EXPECT_TRUE(baud4800->isChecked());
    EXPECT_FALSE(baud9600->isChecked());

    FarEnd far(pair.far());
    window->CMD_GO_Click(0);
    tick();
    readLine(far);
    baud9600->trigger();  // while running
    EXPECT_EQ(status(), "Port:  1: OK");
    EXPECT_EQ(baudText(), "9600,N,8,1");
    EXPECT_TRUE(baud9600->isChecked());
    EXPECT_FALSE(baud4800->isChecked());
    tick();
    EXPECT_EQ(readLine(far), status() + "\r\n") << "the next tick goes out at the new rate";
}

TEST_F(SerialEndToEndTest, FarEndGoingAwayLeavesTheShipRunningAndPickingThePortAgainReopensIt) {
    SocatPair& pair = startPair(1);
    startWindow();
    pickPort(0);
    ASSERT_EQ(status(), "Port:  1: OK");
    window->CMD_GO_Click(0);
    {
        FarEnd far(pair.far());
        tick();
        EXPECT_EQ(readLine(far), status() + "\r\n");
    }

    pair.stop();
    pumpEvents(300ms);
    for (int n = 0; n < 3; ++n) {
        tick();
        pumpEvents(100ms);
    }
    const std::string shown = status();
    EXPECT_TRUE(window->Running());
    EXPECT_FALSE((*serial).PortOpen());
    ASSERT_GE(shown.size(), 16u);
    EXPECT_EQ(shown.substr(shown.size() - 16), ": Not Connected.") << shown;
    EXPECT_EQ(sentenceFault(shown.substr(0, shown.size() - 16)), "");

    // The device comes back under the same name; the operator picks COM 1 again.
    QFile::remove(pair.near());
    QFile::remove(pair.far());
    ASSERT_TRUE(pair.start());
    pickPort(0);
    EXPECT_EQ(status(), "Port:  1: OK");
    FarEnd far(pair.far());
    tick();
    EXPECT_EQ(readLine(far), status() + "\r\n");
}

TEST_F(SerialEndToEndTest, PortWithoutDeviceIsNotAvailableAndClosesTheOpenPort) {
    SocatPair& pair = startPair(1);
    mapMissing(2);
    startWindow();
    ASSERT_EQ(status(), "Port:  1: OK");

    pickPort(1);
    EXPECT_EQ(status(), "Port:  2: Not Available");
    EXPECT_FALSE((*serial).PortOpen());
    EXPECT_EQ(baudText(), "4800,N,8,1");

    FarEnd far(pair.far());
    window->CMD_GO_Click(0);
    tick();
    const std::string shown = status();
    EXPECT_NE(shown.find(": Not Connected."), std::string::npos) << shown;
    EXPECT_EQ(far.read(1, 300ms), "") << "nothing reaches the line that was closed";
}

TEST_F(SerialEndToEndTest, NoDeviceForAnyPortShowsTheNoticeAndTheShipStillRuns) {
    for (int port = 1; port <= 16; ++port) {
        mapMissing(port);
    }
    startWindow();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], kNoPortsNotice);
    EXPECT_EQ(status(), "No serial ports are available.");

    window->CMD_GO_Click(0);
    tick();
    const std::string shown = status();
    EXPECT_EQ(shown.rfind("$GPGLL,", 0), 0u) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 16), ": Not Connected.");
}

// The [Ports] group as someone writes it by hand: blanks around "=", a comment, and a device
// path with a comma (a link name such as the ones under /dev/serial).
TEST_F(SerialEndToEndTest, HandWrittenPortEntryOpensExactlyTheDeviceNamed) {
    SocatPair& pair = startPair(1);
    const QString linkWithComma = folder() + QStringLiteral("/gps,port 1");
    ASSERT_TRUE(QFile::link(pair.near(), linkWithComma));
    QFile ini(iniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("; the GPS line for the plotter\n[Ports]\nCOM1 = " + linkWithComma.toUtf8() + "\n");
    ini.close();
    for (int port = 2; port <= 16; ++port) {
        mapMissing(port);
    }

    startWindow();
    auto* control = serial.get();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->devicePath().toStdString(), linkWithComma.toStdString()) << "another device than the one named was tried";
    EXPECT_EQ(status(), "Port:  1: OK");
    FarEnd far(pair.far());
    window->CMD_GO_Click(0);
    tick();
    EXPECT_EQ(readLine(far), status() + "\r\n");
}

// --- gpsd -------------------------------------------------------------------------------------

struct Position {
    double lat;
    double lon;
};

// The position an RMC sentence carries, in signed degrees: ddmm.mmmm,N,dddmm.mmmm,E.
Position rmcPosition(const std::string& sentence) {
    const QStringList fields = QString::fromStdString(sentence).split(',');
    const auto degrees = [](const QString& value, int degreeDigits, const QString& side) {
        const double whole = value.left(degreeDigits).toDouble();
        const double minutes = value.mid(degreeDigits).toDouble();
        const double result = whole + minutes / 60.0;
        return side == "S" || side == "W" ? -result : result;
    };
    return {degrees(fields.value(3), 2, fields.value(4)), degrees(fields.value(5), 3, fields.value(6))};
}

TEST_F(SerialEndToEndTest, GpsdReadingTheFarEndReportsTheShipMovingAtTheSimulatedPosition) {
    if (!haveProgram(QStringLiteral("gpsd")) || !haveProgram(QStringLiteral("gpspipe"))) {
        GTEST_SKIP() << "gpsd or gpspipe is not installed";
    }
    SocatPair& pair = startPair(1);
    startWindow();
    ASSERT_EQ(status(), "Port:  1: OK");
    // gpsd takes its time of day from the sentences: let them carry the present UTC time.
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    clock.local = {utc.date().year(), utc.date().month(), utc.date().day(),
                   utc.time().hour(), utc.time().minute(), utc.time().second()};
    sentenceList().setCurrentIndex(2);  // RMC, which always carries its checksum
    field("txt_SPEED").setText(QStringLiteral("60"));

    const int tcpPort = freeTcpPort();
    ASSERT_NE(tcpPort, 0);
    QProcess gpsd;
    gpsd.setStandardOutputFile(QProcess::nullDevice());
    gpsd.setStandardErrorFile(QProcess::nullDevice());
    gpsd.start(programPath(QStringLiteral("gpsd")),
               {"-N", "-n", "-b", "-S", QString::number(tcpPort), pair.far()});
    ASSERT_TRUE(gpsd.waitForStarted(3000));
    pumpEvents(300ms);
    QProcess gpspipe;
    gpspipe.start(programPath(QStringLiteral("gpspipe")),
                  {"-w", "-n", "12", QStringLiteral("localhost:%1").arg(tcpPort)});
    ASSERT_TRUE(gpspipe.waitForStarted(3000));

    window->CMD_GO_Click(0);
    std::vector<std::string> sent;
    QDeadlineTimer deadline(10s);
    while (gpspipe.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        tick();
        sent.push_back(status());
        pumpEvents(250ms);
    }
    stopProcess(gpspipe);
    stopProcess(gpsd);

    std::vector<Position> reported;
    for (const QByteArray& line : gpspipe.readAllStandardOutput().split('\n')) {
        const QJsonObject report = QJsonDocument::fromJson(line).object();
        if (report.value("class").toString() == "TPV" && report.contains("lat")) {
            EXPECT_GE(report.value("mode").toInt(), 2);
            reported.push_back({report.value("lat").toDouble(), report.value("lon").toDouble()});
        }
    }
    ASSERT_GE(reported.size(), 2u) << "gpsd reported no moving fix";
    for (const Position& fix : reported) {
        const bool wasSent = std::any_of(sent.begin(), sent.end(), [&](const std::string& sentence) {
            const Position p = rmcPosition(sentence);
            return std::abs(p.lat - fix.lat) < 1e-6 && std::abs(p.lon - fix.lon) < 1e-6;
        });
        EXPECT_TRUE(wasSent) << "gpsd reported " << fix.lat << ", " << fix.lon;
        EXPECT_NEAR(fix.lat, 54.0, 0.1);
        EXPECT_NEAR(fix.lon, 1.0, 1e-6) << "due north from 1 E";
    }
    EXPECT_GT(reported.back().lat, reported.front().lat) << "the ship moves north between reports";
}

}  // namespace
}  // namespace pelora::testing
