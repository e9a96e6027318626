// A receiver's bursts as consumers nobody here wrote read them: gpsd over the virtual serial port
// and over TCP, Qt Positioning's NMEA sources from a file, pynmea2 over the route's sentences and
// beside the AIS lines.
#include <QGeoPositionInfo>
#include <QGeoSatelliteInfo>
#include <QJsonArray>
#include <QNmeaPositionInfoSource>
#include <QNmeaSatelliteInfoSource>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "e2e/program_runs.h"

namespace pelora::testing {
namespace {

const QString kStartUtc = QStringLiteral("2026-06-01T08:00:00Z");

// One second's sentences of a recording, by type ("GGA"); GSV and GSA keep every part.
using ReceiverBurst = std::map<QByteArray, QList<QList<QByteArray>>>;

// The recording's bursts in order; each begins with its RMC.
std::vector<ReceiverBurst> receiverBursts(const QByteArray& bytes) {
    std::vector<ReceiverBurst> bursts;
    for (const QByteArray& line : nmeaLines(bytes)) {
        if (!line.startsWith('$')) continue;
        const QList<QByteArray> fields = fieldsOf(line);
        const QByteArray type = fields[0].mid(3);
        if (type == "RMC" || bursts.empty()) bursts.emplace_back();
        bursts.back()[type].push_back(fields);
    }
    return bursts;
}

// The satellites in view: each system's count from the first part of its GSV group.
int satellitesInView(const ReceiverBurst& burst) {
    int inView = 0;
    if (const auto gsv = burst.find("GSV"); gsv != burst.end()) {
        for (const QList<QByteArray>& part : gsv->second) {
            if (part[2] == "1") inView += part[3].toInt();
        }
    }
    return inView;
}

// --- gpsd -------------------------------------------------------------------------------------

struct GpsdRow {
    const char* name;
    std::vector<const char*> arguments;
    bool overTcp;       // gpsd reads the TCP server; otherwise the virtual serial port
    int mode;           // TPV mode gpsd ends with: 3 a 3D fix, 1 none
    bool usedAsInGga;   // gpsd's count of satellites used agrees with GGA's
};

void PrintTo(const GpsdRow& row, std::ostream* out) { *out << row.name; }

// gpsd's report of each cycle's end: the TPV, and the SKY it reported just before it.
struct CycleEnd {
    QJsonObject sky;
    QJsonObject fix;
};

std::vector<CycleEnd> cycleEnds(const std::vector<QJsonObject>& reports) {
    std::vector<CycleEnd> ends;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        if (reports[i].value("class") == "TPV" && reports[i - 1].value("class") == "SKY") {
            ends.push_back({reports[i - 1], reports[i]});
        }
    }
    return ends;
}

class GpsdConsumer : public ::testing::TestWithParam<GpsdRow> {};

// gpsd reads at the pace the lines come, so these runs are in real time, each until gpsd has
// ended three cycles (about four seconds).
TEST_P(GpsdConsumer, ReportsTheFixAndTheSkyOfTheBurst) {
    const GpsdRow& row = GetParam();
    if (!haveConsumers({"gpsd", "gpspipe"})) GTEST_SKIP() << "gpsd or gpspipe is not installed";
    ProgramRuns runs;
    const QString recording = runs.path(QStringLiteral("sent.nmea"));
    QStringList arguments{"--start", kStartUtc, "--duration", "8", "--output", "file:" + recording};
    for (const char* argument : row.arguments) arguments << QString::fromLatin1(argument);
    QString source;
    const int serverPort = freeTcpPort();
    if (row.overTcp) {
        arguments << "--tcp" << QString::number(serverPort);
        source = QStringLiteral("tcp://127.0.0.1:%1").arg(serverPort);
    } else {
        source = runs.path(QStringLiteral("ttyGPS"));
        arguments << "--pty-link" << source;
    }
    QProcess& pelora = runs.start(arguments);
    if (row.overTcp) {
        ASSERT_TRUE(listening(serverPort, 5s)) << "the TCP server did not start";
    } else {
        QDeadlineTimer made(5s);
        while (!QFile::exists(source) && !made.hasExpired()) QThread::msleep(10);
        ASSERT_TRUE(QFile::exists(source)) << "the virtual serial port was not made";
    }
    const int gpsdPort = freeTcpPort();
    runs.launch(programPath(QStringLiteral("gpsd")), {"-N", "-n", "-b", "-S", QString::number(gpsdPort), source});
    ASSERT_TRUE(listening(gpsdPort, 3s)) << "gpsd did not start";
    QProcess& gpspipe = runs.launch(programPath(QStringLiteral("gpspipe")), {"-w", QStringLiteral("localhost:%1").arg(gpsdPort)});
    const std::vector<QJsonObject> reports = gpsdReports(
        gpspipe, [](const std::vector<QJsonObject>& so_far) { return cycleEnds(so_far).size() >= 3; }, 7s);
    stopProcess(pelora);
    const std::vector<ReceiverBurst> bursts = receiverBursts(ProgramRuns::read(recording));
    ASSERT_FALSE(bursts.empty());
    const std::vector<CycleEnd> ends = cycleEnds(reports);
    std::string seen;
    for (const QJsonObject& report : reports) seen += QJsonDocument(report).toJson(QJsonDocument::Compact).toStdString() + "\n";
    ASSERT_EQ(ends.size(), 3u) << seen;

    for (const QJsonObject& report : reports) {
        if (report.value("class") == "TPV") {
            EXPECT_LE(report.value("mode").toInt(), row.mode) << seen;
        }
    }
    // The first cycle may have begun before gpsd came; the later ones are whole.
    for (std::size_t i = 1; i < ends.size(); ++i) {
        const auto& [sky, fix] = ends[i];
        EXPECT_EQ(fix.value("mode").toInt(), row.mode) << seen;
        // The burst of the fix's time (the last one when there is no fix): its position, its
        // height above the sea and its sky.
        const QByteArray time = QDateTime::fromString(fix.value("time").toString(), Qt::ISODateWithMs)
                                    .toUTC().toString(QStringLiteral("hhmmss.zzz")).left(9).toLatin1();
        const auto same = std::find_if(bursts.begin(), bursts.end(), [&time](const ReceiverBurst& b) {
            return b.count("GGA") != 0 && b.at("GGA")[0][1] == time;
        });
        ASSERT_TRUE(row.mode != 3 || same != bursts.end()) << "no burst at " << time.toStdString();
        const ReceiverBurst& burst = same != bursts.end() ? *same : bursts.back();
        const QList<QByteArray>& gga = burst.at("GGA")[0];
        if (row.mode == 3) {
            EXPECT_NEAR(fix.value("lat").toDouble(), nmeaDegrees(gga[2], gga[3]), 1e-8);
            EXPECT_NEAR(fix.value("lon").toDouble(), nmeaDegrees(gga[4], gga[5]), 1e-8);
            EXPECT_DOUBLE_EQ(fix.value("altMSL").toDouble(), gga[9].toDouble());
        }
        EXPECT_EQ(sky.value("satellites").toArray().size(), satellitesInView(burst)) << seen;
        EXPECT_EQ(sky.value("nSat").toInt(), satellitesInView(burst));
        if (gga[8].isEmpty()) {
            EXPECT_FALSE(sky.contains("hdop"));
        } else {
            EXPECT_DOUBLE_EQ(sky.value("hdop").toDouble(), gga[8].toDouble());
        }
        if (row.usedAsInGga) {
            int used = 0;
            for (const QJsonValue& satellite : sky.value("satellites").toArray()) {
                used += satellite.toObject().value("used").toBool() ? 1 : 0;
            }
            EXPECT_EQ(used, gga[7].toInt());
            EXPECT_EQ(sky.value("uSat").toInt(), gga[7].toInt());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    , GpsdConsumer,
    ::testing::Values(GpsdRow{"MarineOnTheVirtualPort", {"--profile", "marine", "--altitude", "25"}, false, 3, true},
                      // gpsd 3.22 reads the satellites of NMEA 4.10's per-system GSA as GPS PRNs:
                      // its count of satellites used is not GGA's.
                      GpsdRow{"MultiGnssOverTcp", {"--profile", "multi-gnss", "--altitude", "-3.5"}, true, 3, false},
                      GpsdRow{"NoFixOnTheVirtualPort", {"--profile", "marine", "--no-fix"}, false, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Qt Positioning -----------------------------------------------------------------------------

struct QtRow {
    const char* name;
    std::vector<const char*> arguments;
    bool satellites;   // the profile sends GSV and GSA
    bool usedAsInGga;  // Qt's count of satellites in use agrees with GGA's
};

void PrintTo(const QtRow& row, std::ostream* out) { *out << row.name; }

// Runs the event loop until `done` or `within` passed; whether it is done.
bool eventsUntil(const std::function<bool()>& done, std::chrono::milliseconds within) {
    QDeadlineTimer deadline(within);
    while (!done() && !deadline.hasExpired()) QTest::qWait(10);
    return done();
}

class QtPositioningConsumer : public ::testing::TestWithParam<QtRow> {};

// Qt's NMEA sources in simulation mode read a file the program wrote as fast as it could. In
// simulation mode Qt wants a date (RMC or ZDA) before it gives a position.
TEST_P(QtPositioningConsumer, ReadsThePositionAndTheSatellitesOfTheFirstBurst) {
    const QtRow& row = GetParam();
    ProgramRuns runs;
    QStringList arguments{"--start", kStartUtc, "--count", "2", "--lat", "33S51.0000", "--lon", "151E15.0000",
                          "--output", "-"};
    for (const char* argument : row.arguments) arguments << QString::fromLatin1(argument);
    const Finished sent = runs.fast(arguments);
    ASSERT_EQ(sent.status, 0) << sent.err.toStdString();
    const QString file = runs.write(QStringLiteral("sent.nmea"), sent.out);
    const std::vector<ReceiverBurst> bursts = receiverBursts(sent.out);
    ASSERT_FALSE(bursts.empty());
    const ReceiverBurst& burst = bursts.front();
    const QList<QByteArray>& rmc = burst.at("RMC")[0];

    QFile positions(file);
    ASSERT_TRUE(positions.open(QIODevice::ReadOnly));
    QNmeaPositionInfoSource position(QNmeaPositionInfoSource::SimulationMode);
    position.setDevice(&positions);
    QSignalSpy fixes(&position, &QGeoPositionInfoSource::positionUpdated);
    position.startUpdates();
    ASSERT_TRUE(eventsUntil([&fixes] { return !fixes.isEmpty(); }, 3s)) << "Qt read no position";
    const QGeoPositionInfo fix = fixes.first().first().value<QGeoPositionInfo>();
    EXPECT_NEAR(fix.coordinate().latitude(), nmeaDegrees(rmc[3], rmc[4]), 1e-9);
    EXPECT_NEAR(fix.coordinate().longitude(), nmeaDegrees(rmc[5], rmc[6]), 1e-9);
    EXPECT_NEAR(fix.coordinate().latitude(), -33.85, 1e-9);
    EXPECT_EQ(fix.timestamp(), QDateTime::fromString(kStartUtc, Qt::ISODate));
    if (!row.satellites) return;
    const QList<QByteArray>& gga = burst.at("GGA")[0];
    EXPECT_EQ(fix.coordinate().type(), QGeoCoordinate::Coordinate3D);
    EXPECT_DOUBLE_EQ(fix.coordinate().altitude(), gga[9].toDouble());

    QFile skies(file);
    ASSERT_TRUE(skies.open(QIODevice::ReadOnly));
    QNmeaSatelliteInfoSource satellites(QNmeaSatelliteInfoSource::UpdateMode::SimulationMode);
    satellites.setDevice(&skies);
    QSignalSpy inView(&satellites, &QGeoSatelliteInfoSource::satellitesInViewUpdated);
    QSignalSpy inUse(&satellites, &QGeoSatelliteInfoSource::satellitesInUseUpdated);
    satellites.startUpdates();
    // The lists grow as each system's sentences are read: the burst's whole sky comes last.
    const auto lastSize = [](const QSignalSpy& spy) {
        return spy.isEmpty() ? -1 : static_cast<int>(spy.last().first().value<QList<QGeoSatelliteInfo>>().size());
    };
    eventsUntil([&] { return lastSize(inView) == satellitesInView(burst) && !inUse.isEmpty(); }, 3s);
    EXPECT_EQ(lastSize(inView), satellitesInView(burst));
    if (row.usedAsInGga) {
        eventsUntil([&] { return lastSize(inUse) == gga[7].toInt(); }, 1s);
        EXPECT_EQ(lastSize(inUse), gga[7].toInt());
    }
    satellites.stopUpdates();
}

INSTANTIATE_TEST_SUITE_P(
    , QtPositioningConsumer,
    ::testing::Values(QtRow{"SingleSentenceRmc", {"--profile", "single", "--sentence", "RMC"}, false, false},
                      QtRow{"Marine", {"--profile", "marine", "--altitude", "25"}, true, true},
                      // Qt 6.4 reads the satellites of NMEA 4.10's per-system GSA as if all were
                      // GPS and GLONASS satellites: it counts 5 of 12 in use. (Of a receiver of
                      // Galileo and BeiDou alone it reads no satellites at all.)
                      QtRow{"MultiGnss", {"--profile", "multi-gnss", "--altitude", "25"}, true, false},
                      QtRow{"CustomGpsNmea411",
                            {"--sentences", "RMC,GGA,GSA,GSV", "--systems", "GPS", "--nmea-version", "4.11",
                             "--altitude", "-3"},
                            true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- pynmea2 ----------------------------------------------------------------------------------

// The sentences a route adds parse strictly; the AIS lines between them are no NMEA sentences
// for pynmea2 and leave the lines around them whole.
TEST(Pynmea2Consumer, TakesTheRouteSentencesAndLeavesTheAisLines) {
    ProgramRuns runs;
    const Finished sent = runs.fast({"--profile", "marine", "--route", PELORA_SOURCE_DIR "/examples/harbour_approach.gpx",
                                     "--lat", "54.52", "--lon", "-0.6", "--ais-random", "5", "--ais-own-ship", "--start",
                                     kStartUtc, "--count", "30", "--output", "-"});
    ASSERT_EQ(sent.status, 0) << sent.err.toStdString();
    const QString file = runs.write(QStringLiteral("sent.nmea"), sent.out);
    const Finished read = runs.run(debianPython(), {consumerChecks(), "lines", file});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    const QJsonArray taken = QJsonDocument::fromJson(read.out).array();
    const QList<QByteArray> lines = nmeaLines(sent.out);
    ASSERT_EQ(taken.size(), lines.size());
    std::map<QString, int> types;
    int ais = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QJsonArray line = taken[i].toArray();
        if (lines[i].startsWith('!')) {
            ++ais;
            EXPECT_FALSE(line[0].toBool()) << lines[i].toStdString();
        } else {
            EXPECT_TRUE(line[0].toBool()) << "pynmea2 refuses " << lines[i].toStdString();
            ++types[line[1].toString()];
        }
    }
    EXPECT_GT(ais, 30) << "the targets' reports";
    for (const char* type : {"RMB", "APB", "XTE", "BWC", "BOD", "RMC", "GGA"}) {
        EXPECT_EQ(types[QString::fromLatin1(type)], 30) << type;
    }
}

}  // namespace
}  // namespace pelora::testing
