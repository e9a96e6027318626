// Routes and faults on the wire as consumers see them: gpsd (fed by gpsfake) follows the stored
// harbour approach fix by fix, GPSBabel's track of it keeps to the route's legs, and every fault
// of --fault NAME[:EVERY] is seen by gpsd or pynmea2 as that fault, and nothing else is.
#include <QJsonArray>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <future>
#include <map>
#include <set>

#include "e2e/program_runs.h"

namespace pelora::testing {
namespace {

const QString kFaultStart = QStringLiteral("2026-06-01T08:00:00Z");
constexpr int kFaultTicks = 21;
constexpr int kFaultEvery = 3;  // ticks 3, 6, ... 21 are spoiled: seconds 2, 5, ... 20 of the run

// What a command (run by the shell, its errors thrown away) writes on its standard output. Plain
// popen rather than QProcess: the fault rows run their consumers from threads of their own.
QByteArray commandOutput(const QString& command) {
    QByteArray output;
    FILE* pipe = ::popen((command + QStringLiteral(" 2>/dev/null")).toLocal8Bit().constData(), "r");
    if (pipe == nullptr) return output;
    std::array<char, 4096> buffer{};
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        output.append(buffer.data(), static_cast<qsizetype>(got));
    }
    ::pclose(pipe);
    return output;
}

// gpsd's reports of a file fed by gpsfake as fast as gpsd takes it.
QByteArray gpsfake(const QString& file) {
    return commandOutput(QStringLiteral("timeout 60 '%1' -1 -q -p '%2'").arg(programPath(QStringLiteral("gpsfake")), file));
}

// The fixes gpsd reported (mode 2 or 3), by time: latitude, longitude and track.
std::map<QString, std::array<double, 3>> gpsdFixes(const QByteArray& json) {
    std::map<QString, std::array<double, 3>> fixes;
    for (const QJsonObject& tpv : reportsOf(json, QStringLiteral("TPV"))) {
        if (tpv.value("mode").toInt() < 2 || !tpv.contains("time")) continue;
        fixes[tpv.value("time").toString()] = {tpv.value("lat").toDouble(), tpv.value("lon").toDouble(),
                                               tpv.value("track").toDouble(-1)};
    }
    return fixes;
}

// --- Routes -----------------------------------------------------------------------------------

const QString kHarbourFixture = QStringLiteral(PELORA_SOURCE_DIR "/tests/fixtures/harbour_approach.nmea");

// gpsd, fed the stored harbour approach, reports every fix of it at its time, with its position
// and its course over ground: the route's track as an autopilot's gpsd would see it.
TEST(RouteConsumers, GpsdReportsEveryFixOfTheStoredRouteRun) {
    if (!haveConsumers({"gpsfake", "gpsd"})) GTEST_SKIP() << "gpsfake is not installed";
    const std::map<QString, std::array<double, 3>> fixes = gpsdFixes(gpsfake(kHarbourFixture));
    int sent = 0;
    for (const QByteArray& line : nmeaLines(ProgramRuns::read(kHarbourFixture))) {
        if (!line.startsWith("$GPRMC")) continue;
        ++sent;
        const QList<QByteArray> rmc = fieldsOf(line);
        const QString time = QStringLiteral("2026-06-01T%1:%2:%3.000Z")
                                 .arg(QString::fromLatin1(rmc[1].mid(0, 2)), QString::fromLatin1(rmc[1].mid(2, 2)),
                                      QString::fromLatin1(rmc[1].mid(4, 2)));
        const auto fix = fixes.find(time);
        ASSERT_NE(fix, fixes.end()) << "gpsd reported no fix at " << time.toStdString();
        EXPECT_NEAR(fix->second[0], nmeaDegrees(rmc[3], rmc[4]), 1e-8) << line.toStdString();
        EXPECT_NEAR(fix->second[1], nmeaDegrees(rmc[5], rmc[6]), 1e-8) << line.toStdString();
        if (!rmc[8].isEmpty()) {
            EXPECT_NEAR(fix->second[2], rmc[8].toDouble(), 1e-9) << line.toStdString();
        }
    }
    EXPECT_EQ(sent, 901) << "fifteen minutes and the first second";
    EXPECT_EQ(fixes.size(), 901u);
}

// GPSBabel's track of the stored run keeps to the route: the ship's position is never farther
// from the nearest leg (start, Fairway, Outer, Piers) than the arrival circle of 0.05 nautical
// miles (92.6 m), inside which it turns for the next waypoint.
TEST(RouteConsumers, GpsBabelsTrackOfTheRunKeepsToTheLegs) {
    if (!haveConsumers({"gpsbabel"})) GTEST_SKIP() << "GPSBabel is not installed";
    ProgramRuns runs;
    const QString gpx = runs.path(QStringLiteral("track.gpx"));
    const Finished babel =
        runs.run(programPath(QStringLiteral("gpsbabel")), {"-i", "nmea", "-f", kHarbourFixture, "-o", "gpx", "-F", gpx});
    ASSERT_EQ(babel.status, 0) << babel.err.toStdString();
    const Finished legs = runs.run(debianPython(), {consumerChecks(), "legs", gpx, "54.516666667", "-0.6", "54.51", "-0.59",
                                                    "54.498", "-0.605", "54.492", "-0.613"});
    ASSERT_EQ(legs.status, 0) << legs.err.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(legs.out).object();
    EXPECT_EQ(result.value("points").toInt(), 901);
    EXPECT_LT(result.value("farthest_m").toDouble(), 92.6) << legs.out.toStdString();
}

// --- Faults on the wire -----------------------------------------------------------------------

enum class Reader { Gpsd, Pynmea2 };

// What a consumer made of one run.
struct Seen {
    QList<QByteArray> lines;   // the lines sent, read up to each LF
    QJsonArray pynmea2;        // [taken, type, date] a line, for Reader::Pynmea2
    std::map<QString, std::array<double, 3>> fixes;  // gpsd's, for Reader::Gpsd
};

struct FaultRow {
    const char* name;
    const char* fault;                  // NAME:EVERY
    bool burst;                         // the marine profile's burst; otherwise one RMC a tick
    Reader reader;
    std::function<void(const Seen& spoiled, const Seen& clean)> effect;
};

void PrintTo(const FaultRow& row, std::ostream* out) { *out << row.name; }

// Where gpsd's fixes of two runs differ: the times and what each run has then; "" when the same.
std::string fixDifferences(const std::map<QString, std::array<double, 3>>& seen,
                           const std::map<QString, std::array<double, 3>>& expected) {
    std::set<QString> times;
    for (const auto& [time, fix] : seen) times.insert(time);
    for (const auto& [time, fix] : expected) times.insert(time);
    std::string differences;
    const auto text = [](const std::map<QString, std::array<double, 3>>& fixes, const QString& time) {
        const auto fix = fixes.find(time);
        return fix == fixes.end() ? std::string("no fix")
                                  : QStringLiteral("%1 %2 %3").arg(fix->second[0], 0, 'f', 9).arg(fix->second[1], 0, 'f', 9)
                                        .arg(fix->second[2]).toStdString();
    };
    for (const QString& time : times) {
        if (text(seen, time) != text(expected, time)) {
            differences += time.toStdString() + ": " + text(seen, time) + ", expected " + text(expected, time) + "\n";
        }
    }
    return differences;
}

// gpsd gives no fix for the ticks (counted from 1) in `lost`, and the others' fixes as without
// the fault.
std::function<void(const Seen&, const Seen&)> gpsdLoses(std::set<int> lost) {
    return [lost](const Seen& spoiled, const Seen& clean) {
        ASSERT_EQ(clean.fixes.size(), static_cast<std::size_t>(kFaultTicks));
        auto expected = clean.fixes;
        for (const int tick : lost) expected.erase(QStringLiteral("2026-06-01T08:00:%1.000Z").arg(tick - 1, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(fixDifferences(spoiled.fixes, expected), "");
    };
}
const std::set<int> kSpoiledTicks{3, 6, 9, 12, 15, 18, 21};

// pynmea2 refuses exactly the spoiled lines (one RMC a tick) and takes every other as it was.
void pynmea2RefusesTheSpoiledLines(const Seen& spoiled, const Seen& clean) {
    ASSERT_EQ(spoiled.lines.size(), clean.lines.size());
    for (qsizetype i = 0; i < spoiled.lines.size(); ++i) {
        const bool hit = kSpoiledTicks.count(static_cast<int>(i) + 1) != 0;
        EXPECT_EQ(spoiled.pynmea2[i].toArray()[0].toBool(), !hit) << spoiled.lines[i].toStdString();
        if (!hit) {
            EXPECT_EQ(spoiled.lines[i], clean.lines[i]);
        }
    }
}

// Every line parses strictly.
void pynmea2TakesEveryLine(const Seen& seen) {
    for (qsizetype i = 0; i < seen.lines.size(); ++i) {
        EXPECT_TRUE(seen.pynmea2[i].toArray()[0].toBool()) << "pynmea2 refuses " << seen.lines[i].toStdString();
    }
}

// The clean run's lines in groups of one tick (the marine burst begins with RMC).
std::vector<QList<QByteArray>> ticksOf(const QList<QByteArray>& lines) {
    std::vector<QList<QByteArray>> ticks;
    for (const QByteArray& line : lines) {
        if (line.startsWith("$GPRMC") || ticks.empty()) ticks.emplace_back();
        ticks.back() << line;
    }
    return ticks;
}

const FaultRow kFaultRows[] = {
    {"BadChecksumIsRefused", "bad-checksum", false, Reader::Gpsd, gpsdLoses(kSpoiledTicks)},
    // A line ending in CR alone runs into the next one: gpsd loses the spoiled line, not the next.
    {"NoLfLosesTheLine", "no-lf", false, Reader::Gpsd, gpsdLoses(kSpoiledTicks)},
    // The garbage before tick 6 ends in 0xA0, which gpsd's reader takes for the first byte of a
    // binary (SiRF) packet: the "$" after it goes with it, and that line is lost.
    {"GarbageIsSkipped", "garbage", false, Reader::Gpsd, gpsdLoses({6})},
    {"NoCrIsTaken", "no-cr", false, Reader::Gpsd, gpsdLoses({})},
    {"LfLfIsTaken", "lf-lf", false, Reader::Gpsd, gpsdLoses({})},
    {"DuplicateAddsNoFix", "duplicate", false, Reader::Gpsd, gpsdLoses({})},
    {"TalkerChangeIsTaken", "talker-change", false, Reader::Gpsd, gpsdLoses({})},
    // gpsd 3.22 takes a sentence without a checksum, a cut one too when the cut leaves its
    // position (tick 9's RMC lacks only the variation), so pynmea2's strict mode reads these.
    {"NoChecksumIsRefused", "no-checksum", false, Reader::Pynmea2,
     [](const Seen& spoiled, const Seen& clean) {
         pynmea2RefusesTheSpoiledLines(spoiled, clean);
         for (const int tick : kSpoiledTicks) {
             const QByteArray& line = clean.lines[tick - 1];
             EXPECT_EQ(spoiled.lines[tick - 1], line.left(line.lastIndexOf('*')));
         }
     }},
    {"CutLineIsRefused", "cut-line", false, Reader::Pynmea2,
     [](const Seen& spoiled, const Seen& clean) {
         pynmea2RefusesTheSpoiledLines(spoiled, clean);
         for (const int tick : kSpoiledTicks) {
             EXPECT_TRUE(clean.lines[tick - 1].startsWith(spoiled.lines[tick - 1])) << spoiled.lines[tick - 1].toStdString();
             EXPECT_FALSE(spoiled.lines[tick - 1].contains('*'));
         }
     }},
    {"ReorderSwapsTwoNeighboursOfABurst", "reorder", true, Reader::Pynmea2,
     [](const Seen& spoiled, const Seen& clean) {
         pynmea2TakesEveryLine(spoiled);
         ASSERT_EQ(spoiled.lines.size(), clean.lines.size());
         qsizetype at = 0;
         int tick = 0;
         for (const QList<QByteArray>& burst : ticksOf(clean.lines)) {
             ++tick;
             const QList<QByteArray> sent = spoiled.lines.mid(at, burst.size());
             at += burst.size();
             int moved = 0;
             for (qsizetype i = 0; i < burst.size(); ++i) {
                 if (sent[i] == burst[i]) continue;
                 ++moved;
                 EXPECT_TRUE((i > 0 && sent[i] == burst[i - 1]) || (i + 1 < burst.size() && sent[i] == burst[i + 1]));
             }
             EXPECT_EQ(moved, tick % kFaultEvery == 0 ? 2 : 0) << "tick " << tick;
         }
     }},
    {"GsvGapLosesOnePartOfTheGroup", "gsv-gap", true, Reader::Pynmea2,
     [](const Seen& spoiled, const Seen& clean) {
         pynmea2TakesEveryLine(spoiled);
         qsizetype at = 0;
         int tick = 0;
         for (const QList<QByteArray>& burst : ticksOf(clean.lines)) {
             ++tick;
             QList<QByteArray> expected = burst;
             const qsizetype size = burst.size() - (tick % kFaultEvery == 0 ? 1 : 0);
             const QList<QByteArray> sent = spoiled.lines.mid(at, size);
             at += size;
             if (size < burst.size()) {
                 const auto lost = std::find_if(burst.begin(), burst.end(), [&sent](const QByteArray& line) {
                     return !sent.contains(line);
                 });
                 ASSERT_NE(lost, burst.end());
                 EXPECT_TRUE(lost->startsWith("$GPGSV")) << lost->toStdString();
                 expected.removeOne(*lost);
             }
             EXPECT_EQ(sent, expected) << "tick " << tick;
         }
         EXPECT_EQ(at, spoiled.lines.size());
     }},
    // gpsd 3.22 puts a date 1024 weeks back forward again, so pynmea2 reads the dates here.
    {"WeekRolloverDatesTheFixBack1024Weeks", "week-rollover", true, Reader::Pynmea2,
     [](const Seen& spoiled, const Seen& clean) {
         pynmea2TakesEveryLine(spoiled);
         ASSERT_EQ(spoiled.lines.size(), clean.lines.size());
         int tick = 0;
         for (qsizetype i = 0; i < spoiled.lines.size(); ++i) {
             const QJsonArray line = spoiled.pynmea2[i].toArray();
             if (line[1].toString() == QStringLiteral("RMC")) ++tick;
             if (line[2].toString().isEmpty()) {
                 EXPECT_EQ(spoiled.lines[i], clean.lines[i]) << "only the dates change";
                 continue;
             }
             // 1024 weeks are 7168 days: 2026-06-01 becomes 2006-10-16.
             EXPECT_EQ(line[2].toString(), tick % kFaultEvery == 0 ? "2006-10-16" : "2026-06-01")
                 << spoiled.lines[i].toStdString();
         }
     }},
};

// Every row's runs at once: gpsfake feeds gpsd as fast as it reads, a few seconds a run, and the
// runs wait on gpsd rather than on the processor.
class FaultConsumers : public ::testing::TestWithParam<FaultRow> {
protected:
    static void SetUpTestSuite() {
        s_runs = std::make_unique<ProgramRuns>();
        s_seen.clear();
        std::vector<std::pair<std::string, std::future<Seen>>> reading;
        const auto read = [](const QString& file, const QByteArray& bytes, Reader reader) {
            return std::async(std::launch::async, [file, bytes, reader] {
                Seen seen;
                seen.lines = nmeaLines(bytes);
                if (reader == Reader::Gpsd) {
                    seen.fixes = gpsdFixes(gpsfake(file));
                } else {
                    seen.pynmea2 = QJsonDocument::fromJson(commandOutput(
                        QStringLiteral("'%1' '%2' lines '%3'").arg(debianPython(), consumerChecks(), file))).array();
                }
                return seen;
            });
        };
        std::set<std::pair<bool, Reader>> cleanRuns;
        for (const FaultRow& row : kFaultRows) cleanRuns.insert({row.burst, row.reader});
        for (const auto& [burst, reader] : cleanRuns) {
            const QByteArray bytes = run(burst, {});
            const QString name = cleanName(burst, reader);
            reading.emplace_back(name.toStdString(), read(s_runs->write(name, bytes), bytes, reader));
        }
        for (const FaultRow& row : kFaultRows) {
            const QByteArray bytes = run(row.burst, QStringLiteral("%1:%2").arg(row.fault).arg(kFaultEvery));
            const QString name = QString::fromLatin1(row.name) + ".nmea";
            reading.emplace_back(row.name, read(s_runs->write(name, bytes), bytes, row.reader));
        }
        for (auto& [name, seen] : reading) s_seen[name] = seen.get();
    }
    static void TearDownTestSuite() { s_runs.reset(); }

    // The bytes on the wire (standard output keeps them as sent) of a run with `fault`.
    static QByteArray run(bool burst, const QString& fault) {
        QStringList arguments{"--start", kFaultStart, "--count", QString::number(kFaultTicks), "--seed", "5",
                              "--output", "-"};
        arguments << (burst ? QStringList{"--profile", "marine"} : QStringList{"--profile", "single", "--sentence", "RMC"});
        if (!fault.isEmpty()) arguments << "--fault" << fault;
        const Finished finished = s_runs->fast(arguments);
        EXPECT_EQ(finished.status, 0) << finished.err.toStdString();
        return finished.out;
    }

    static QString cleanName(bool burst, Reader reader) {
        return QStringLiteral("clean-%1-%2.nmea").arg(burst).arg(static_cast<int>(reader));
    }
    static const Seen& clean(const FaultRow& row) { return s_seen[cleanName(row.burst, row.reader).toStdString()]; }

    static std::unique_ptr<ProgramRuns> s_runs;
    static std::map<std::string, Seen> s_seen;
};

std::unique_ptr<ProgramRuns> FaultConsumers::s_runs;
std::map<std::string, Seen> FaultConsumers::s_seen;

TEST_P(FaultConsumers, SeeTheFaultAsItIsAndNothingElse) {
    if (!haveConsumers({"gpsfake", "gpsd"})) GTEST_SKIP() << "gpsfake is not installed";
    const FaultRow& row = GetParam();
    const Seen& spoiled = s_seen[row.name];
    ASSERT_FALSE(spoiled.lines.isEmpty());
    if (row.reader == Reader::Pynmea2) {
        ASSERT_EQ(spoiled.pynmea2.size(), spoiled.lines.size());
    }
    row.effect(spoiled, clean(row));
}

INSTANTIATE_TEST_SUITE_P(, FaultConsumers, ::testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora::testing
