// AIS targets and the recorded voyage as consumers read them: gpsdecode decodes every !AIVDM
// sentence of a fast run, gpsd serves the targets it reads from the TCP server as AIS reports,
// and the --record-gpx file passes GPSBabel and the GPX 1.1 schema with the fixes sent as points.
#include <QJsonArray>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "e2e/program_runs.h"

namespace pelora::testing {
namespace {

const QString kAisStart = QStringLiteral("2026-06-01T08:00:00Z");

// The AIS message type of an encapsulated sentence's payload: its first six-bit character.
int payloadType(const QByteArray& sentence) {
    const int character = static_cast<unsigned char>(fieldsOf(sentence)[5].at(0)) - 48;
    return character > 40 ? character - 8 : character;
}

// Nautical miles between two positions (a flat earth is near enough over a few miles).
double milesBetween(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kPi = 3.14159265358979323846;
    const double north = (lat2 - lat1) * 60;
    const double east = (lon2 - lon1) * 60 * std::cos((lat1 + lat2) / 2 * kPi / 180);
    return std::hypot(north, east);
}

// Each message of 50 targets in 400 seconds decodes, in order, with the type its payload
// begins with; every target is heard, and each position lies within the targets' circle of
// 10 nautical miles round the own ship plus the way a target makes in the run.
TEST(AisConsumers, GpsdecodeDecodesEveryMessageOfFiftyTargets) {
    if (!haveConsumers({"gpsdecode"})) GTEST_SKIP() << "gpsdecode is not installed";
    ProgramRuns runs;
    const Finished sent = runs.fast({"--ais-random", "50", "--count", "400", "--start", kAisStart, "--output", "-"});
    ASSERT_EQ(sent.status, 0) << sent.err.toStdString();
    QByteArray ais;
    std::vector<int> types;  // one a message, from its first sentence
    for (const QByteArray& line : nmeaLines(sent.out)) {
        if (!line.startsWith("!AIVDM")) continue;
        ais += line + "\r\n";
        const QList<QByteArray> fields = fieldsOf(line);
        if (fields[2] == "1") types.push_back(payloadType(line));
    }
    QProcess gpsdecode;
    gpsdecode.start(programPath(QStringLiteral("gpsdecode")), {"-s", "-j"});
    ASSERT_TRUE(gpsdecode.waitForStarted(3000));
    gpsdecode.write(ais);
    gpsdecode.closeWriteChannel();
    ASSERT_TRUE(gpsdecode.waitForFinished(10000));
    EXPECT_EQ(gpsdecode.readAllStandardError(), QByteArray());
    const std::vector<QJsonObject> decoded = reportsOf(gpsdecode.readAllStandardOutput(), QStringLiteral("AIS"));

    ASSERT_EQ(decoded.size(), types.size()) << "every message decodes, none is left or made up";
    std::set<qint64> heard;
    std::map<qint64, std::set<int>> typesOf;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        const QJsonObject& message = decoded[i];
        EXPECT_EQ(message.value("type").toInt(), types[i]) << "message " << i;
        const qint64 mmsi = message.value("mmsi").toInteger();
        heard.insert(mmsi);
        typesOf[mmsi].insert(types[i]);
        if (message.contains("lat")) {
            EXPECT_LT(milesBetween(54, 1, message.value("lat").toDouble(), message.value("lon").toDouble()), 12.0)
                << QJsonDocument(message).toJson(QJsonDocument::Compact).toStdString();
        }
    }
    EXPECT_EQ(heard.size(), 50u);
    for (const auto& [mmsi, kinds] : typesOf) {
        const bool classA = kinds.count(1) != 0 || kinds.count(5) != 0;
        const bool classB = kinds.count(18) != 0 || kinds.count(24) != 0;
        EXPECT_NE(classA, classB) << mmsi << " sends the messages of one class";
    }
}

// gpsd reading the TCP server serves the targets as AIS reports: all five are heard within a
// few seconds (the run goes four times faster than real time, so that each target's first
// report comes soon; gpsd takes AIS at any pace).
TEST(AisConsumers, GpsdServesTheTargetsReadFromTheTcpServer) {
    if (!haveConsumers({"gpsd", "gpspipe", "gpsdecode"})) GTEST_SKIP() << "gpsd, gpspipe or gpsdecode is not installed";
    ProgramRuns runs;
    const QString recording = runs.path(QStringLiteral("sent.nmea"));
    const int serverPort = freeTcpPort();
    QProcess& pelora = runs.start({"--ais-random", "5", "--start", kAisStart, "--speedup", "4", "--duration", "15",
                                   "--tcp", QString::number(serverPort), "--output", "file:" + recording});
    ASSERT_TRUE(listening(serverPort, 5s)) << "the TCP server did not start";
    const int gpsdPort = freeTcpPort();
    runs.launch(programPath(QStringLiteral("gpsd")),
                {"-N", "-n", "-S", QString::number(gpsdPort), QStringLiteral("tcp://127.0.0.1:%1").arg(serverPort)});
    ASSERT_TRUE(listening(gpsdPort, 3s)) << "gpsd did not start";
    QProcess& gpspipe = runs.launch(programPath(QStringLiteral("gpspipe")), {"-w", QStringLiteral("localhost:%1").arg(gpsdPort)});
    const auto targets = [](const std::vector<QJsonObject>& reports) {
        std::set<qint64> mmsis;
        for (const QJsonObject& report : reports) {
            if (report.value("class") == "AIS") mmsis.insert(report.value("mmsi").toInteger());
        }
        return mmsis;
    };
    const std::vector<QJsonObject> reports = gpsdReports(
        gpspipe, [&targets](const std::vector<QJsonObject>& so_far) { return targets(so_far).size() >= 5; }, 10s);
    stopProcess(pelora);

    // The targets the program sent, as gpsd's own decoder reads the recording.
    QByteArray ais;
    for (const QByteArray& line : nmeaLines(ProgramRuns::read(recording))) {
        if (line.startsWith('!')) ais += line + "\r\n";
    }
    QProcess gpsdecode;
    gpsdecode.start(programPath(QStringLiteral("gpsdecode")), {"-s", "-j"});
    ASSERT_TRUE(gpsdecode.waitForStarted(3000));
    gpsdecode.write(ais);
    gpsdecode.closeWriteChannel();
    ASSERT_TRUE(gpsdecode.waitForFinished(10000));
    const std::set<qint64> sent = targets(reportsOf(gpsdecode.readAllStandardOutput(), QStringLiteral("AIS")));
    EXPECT_EQ(sent.size(), 5u);
    EXPECT_EQ(targets(reports), sent);
}

// The coaster crossing the harbour approach (the stored run), as gpsdecode reads its reports:
// each on the track it was given, and its closest approach to the own ship's fixes the one the
// example names, 0.1 nautical miles at 08:10:16, to the report nearest to it (one every 10 s).
// Targets move on a chart of 1852 m to the minute of arc: westwards at 54.5 N that is 0.4 % more
// than their speed over the WGS-84 ground, 18.5 m in the quarter of an hour.
TEST(AisConsumers, TheCrossingTargetPassesAtItsClosestApproach) {
    if (!haveConsumers({"gpsdecode"})) GTEST_SKIP() << "gpsdecode is not installed";
    ProgramRuns runs;
    const Finished read = runs.run(debianPython(), {consumerChecks(), "crossing", PELORA_SOURCE_DIR "/tests/fixtures/harbour_approach.nmea",
                                                    "235009876", "54.505", "-0.55", "265", "10"});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    const QJsonObject crossing = QJsonDocument::fromJson(read.out).object();
    EXPECT_EQ(crossing.value("reports").toInt(), 90) << "a position report every 10 s for 15 minutes";
    EXPECT_LT(crossing.value("off_track_m").toDouble(), 20.0) << read.out.toStdString();
    EXPECT_NEAR(crossing.value("closest_m").toDouble(), 185.2, 5.0) << read.out.toStdString();
    EXPECT_EQ(crossing.value("closest_at").toString(), QStringLiteral("081017"));
}

// The voyage written with --record-gpx is GPX 1.1 by the schema, GPSBabel reads it, and its
// points are the fixes sent: each RMC's time and position (to the sentence's 0.0001 minute).
TEST(GpxConsumers, RecordedVoyageIsValidGpxOfTheFixesSent) {
    if (!haveConsumers({"gpsbabel", "xmllint"})) GTEST_SKIP() << "GPSBabel or xmllint is not installed";
    ProgramRuns runs;
    const QString gpx = runs.path(QStringLiteral("voyage.gpx"));
    const Finished sent = runs.fast({"--profile", "single", "--sentence", "RMC", "--speed", "12", "--rate", "3", "--start",
                                     kAisStart, "--count", "60", "--record-gpx", gpx, "--output", "-"});
    ASSERT_EQ(sent.status, 0) << sent.err.toStdString();
    const Finished schema =
        runs.run(programPath(QStringLiteral("xmllint")), {"--noout", "--schema", PELORA_SOURCE_DIR "/tests/data/gpx11.xsd", gpx});
    EXPECT_EQ(schema.status, 0) << schema.err.toStdString();
    const Finished babel = runs.run(programPath(QStringLiteral("gpsbabel")), {"-i", "gpx", "-f", gpx, "-o", "gpx", "-F", "-"});
    EXPECT_EQ(babel.status, 0) << babel.err.toStdString();
    EXPECT_EQ(babel.out.count("<trkpt "), 60);

    const Finished read = runs.run(debianPython(), {consumerChecks(), "gpx", gpx});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    const QJsonArray points = QJsonDocument::fromJson(read.out).array();
    const QList<QByteArray> lines = nmeaLines(sent.out);
    ASSERT_EQ(points.size(), lines.size());
    constexpr double kHalfLastDigit = 0.00005 / 60;  // degrees: half of the sentence's 0.0001 minute
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QList<QByteArray> rmc = fieldsOf(lines[i]);
        const QJsonArray point = points[i].toArray();
        EXPECT_NEAR(point[0].toDouble(), nmeaDegrees(rmc[3], rmc[4]), kHalfLastDigit) << lines[i].toStdString();
        EXPECT_NEAR(point[1].toDouble(), nmeaDegrees(rmc[5], rmc[6]), kHalfLastDigit) << lines[i].toStdString();
        EXPECT_EQ(point[2].toString(), QStringLiteral("2026-06-01T08:%1:%2Z")
                                           .arg(QString::fromLatin1(rmc[1].mid(2, 2)), QString::fromLatin1(rmc[1].mid(4, 2))));
    }
}

}  // namespace
}  // namespace pelora::testing
