// gpsd, a real NMEA consumer, reading the far end of the virtual null-modem while the port
// management writes RMC sentences to COM 1: its JSON output must report the fix.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <netinet/in.h>
#include <sys/socket.h>

#include <cmath>

#include "run/port_manager.h"
#include "nmea/sentence.h"
#include "platform/device_map.h"
#include "platform/qt_serial_control.h"
#include "serial_peers.h"

namespace pelora {
namespace {

using namespace pelora::testing;

// The program's RMC sentence, with its checksum, at 54 30' N, 1 15' W for the given time.
std::string rmcAt(const QDateTime& utc) {
    const QDate date = utc.date();
    const QTime time = utc.time();
    const DateTime now{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
    const std::string sentence = NMEA(-1.25, 54.5, 4, true, kSentenceRMC, "10.0", "045.0", now);
    return sentence + CS(sentence);
}

// Stops a process by its id and waits for it.
TEST(GpsdPeerTest, GpsdReportsTheFixOfTheRmcSentencesWritten) {
    if (!haveProgram(QStringLiteral("socat")) || !haveProgram(QStringLiteral("gpsd")) ||
        !haveProgram(QStringLiteral("gpspipe"))) {
        GTEST_SKIP() << "socat, gpsd or gpspipe is not installed";
    }
    TempSettings settings;
    SocatPair pair(settings.path(), QUuid::createUuid().toString(QUuid::Id128).left(12));
    ASSERT_TRUE(pair.start());
    settings.mapPort(1, pair.near());

    DeviceMap map(settings.application());
    QtSerialControl control([&map](int port) { return map.devicePath(port); });
    FakePortView view;
    PortManager manager(control);
    manager.setEventListener([&view](const PortEvent& event) { view.showPortEvent(event); });
    manager.probe();
    ASSERT_EQ(view.status(), "Port:  1: OK");

    const int port = freeTcpPort();
    ASSERT_NE(port, 0);
    QProcess gpsd;
    gpsd.setStandardOutputFile(QProcess::nullDevice());
    gpsd.setStandardErrorFile(QProcess::nullDevice());
    gpsd.start(programPath(QStringLiteral("gpsd")),
               {"-N", "-n", "-b", "-S", QString::number(port), pair.far()});
    ASSERT_TRUE(gpsd.waitForStarted(3000));
    pumpEvents(300ms);

    QProcess gpspipe;
    gpspipe.start(programPath(QStringLiteral("gpspipe")),
                  {"-w", "-n", "10", QStringLiteral("localhost:%1").arg(port)});
    ASSERT_TRUE(gpspipe.waitForStarted(3000));

    // Four sentences a second, each second's time told again, until gpspipe has its lines.
    QDeadlineTimer deadline(8s);
    QDateTime utc = QDateTime::currentDateTimeUtc();
    for (int n = 0; gpspipe.state() != QProcess::NotRunning && !deadline.hasExpired(); ++n) {
        manager.writeLine(rmcAt(utc.addSecs(n / 4)) + "\r\n");
        pumpEvents(250ms);
    }
    stopProcess(gpspipe);
    stopProcess(gpsd);

    bool fix = false;
    for (const QByteArray& line : gpspipe.readAllStandardOutput().split('\n')) {
        const QJsonObject report = QJsonDocument::fromJson(line).object();
        if (report.value("class").toString() == "TPV" && report.contains("lat")) {
            EXPECT_NEAR(report.value("lat").toDouble(), 54.5, 1e-6);
            EXPECT_NEAR(report.value("lon").toDouble(), -1.25, 1e-6);
            EXPECT_GE(report.value("mode").toInt(), 2);
            fix = true;
        }
    }
    EXPECT_TRUE(fix) << "gpsd reported no position";
    EXPECT_TRUE(manager.isOpen()) << "the port stayed open while gpsd read it";
}

}  // namespace
}  // namespace pelora
