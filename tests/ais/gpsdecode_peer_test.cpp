// gpsd's own AIS decoder reads every sentence the encoder writes: message types 1, 5, 18 and
// 24 (A and B), and the own ship's AIVDO.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ais/ais_messages.h"
#include "ais/aivdm_framer.h"

namespace pelora {
namespace {

constexpr double kTenThousandthMinutes = 600000;

struct DecodeRow {
    const char* label;
    AisTarget target;
    int turnField;              // message 1's rate of turn, as gpsd reads it
    ShipDimensions dimensions;  // A, B, C, D from the length and beam
    bool ownShip = false;       // the position report goes out as AIVDO
};

constexpr auto kA = AisClass::A;
constexpr auto kB = AisClass::B;

// Rows between them use every character AIS text can carry, in names, call signs and
// destinations (a space never last: decoders drop trailing spaces).
const std::vector<DecodeRow> kDecodeRows = {
    {"ClassANorthEastTurningStarboard",
     {.mmsi = 211234560, .name = "ABCDEFGHIJKLMNOPQRST", .callSign = "=>?", .shipType = 70, .imo = 9074729,
      .lengthMetres = 101.4, .beamMetres = 20, .aisClass = kA, .destination = "0123456789", .draughtMetres = 8.3,
      .eta = {6, 15, 14, 30}, .lat = 54.321987, .lon = 10.123456, .courseDeg = 45.55, .speedKnots = 12.3,
      .rateOfTurnDegPerMin = 30},
     26, {51, 50, 10, 10}},
    {"ClassASouthWestTurningPortFast",
     {.mmsi = 636012345, .name = "UVWXYZ[\\]^_ !\"#$%&'(", .callSign = "A8BC2", .shipType = 80, .lengthMetres = 249,
      .beamMetres = 43.6, .aisClass = kA, .destination = ":;<ZZ", .lat = -33.856789, .lon = -70.654321,
      .courseDeg = 359.96, .speedKnots = 0.05, .rateOfTurnDegPerMin = -700, .headingDeg = 2,
      .status = NavigationStatus::RestrictedManoeuvrability},
     -125, {125, 124, 22, 22}},
    {"ClassALargestValues",
     {.mmsi = 999999999, .name = ")*+,-./0123456789:;<", .callSign = "ZZZZZZZ", .shipType = 99, .imo = 9999993,
      .lengthMetres = 1022, .beamMetres = 126, .aisClass = kA, .destination = "WWWWWWWWWWWWWWWWWWWW",
      .draughtMetres = 25.5, .eta = {12, 31, 23, 59}, .lat = 90, .lon = 180, .courseDeg = 359.9, .speedKnots = 102.2,
      .rateOfTurnDegPerMin = 708, .headingDeg = 359, .status = NavigationStatus::NotDefined},
     126, {511, 511, 63, 63}, true},
    {"ClassAAtAnchorUnknownSize",
     {.mmsi = 100000000, .name = "AT ANCHOR", .aisClass = kA, .lat = -0.5, .lon = -0.5,
      .status = NavigationStatus::AtAnchor},
     0, {0, 0, 0, 0}},
    {"ClassBSouthEast",
     {.mmsi = 232001230, .name = "SEA SWAN", .callSign = "MABC9", .shipType = 36, .lengthMetres = 11.6,
      .beamMetres = 3.7, .aisClass = kB, .lat = -41.2875, .lon = 174.7761, .courseDeg = 271.04, .speedKnots = 6.75},
     0, {6, 6, 2, 2}},
    {"ClassBSouthWestLimits",
     {.mmsi = 338123456, .name = "ZZ", .callSign = "WD1", .shipType = 37, .lengthMetres = 7, .beamMetres = 2.5,
      .aisClass = kB, .lat = -90, .lon = -180, .speedKnots = 102.2},
     0, {4, 3, 2, 1}, true},
};

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, separator);) fields.push_back(field);
    if (!line.empty() && line.back() == separator) fields.emplace_back();
    return fields;
}

// gpsdecode's field-per-column output (-c: unscaled numbers, six-bit text as it stands; -s:
// the two parts of message 24 apart), one list of fields per decoded message.
std::vector<std::vector<std::string>> gpsdecode(const std::vector<std::string>& lines, const std::string& label) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("pelora_ais_" + label + "_" + std::to_string(::getpid()) + ".nmea");
    {
        std::ofstream file(path, std::ios::binary);
        for (const std::string& line : lines) file << line << "\r\n";
    }
    std::vector<std::vector<std::string>> decoded;
    const std::string command = "gpsdecode -s -c < '" + path.string() + "'";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::string output;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        EXPECT_EQ(::pclose(pipe), 0) << command;
        for (std::string line : split(output, '\n')) {
            if (!line.empty() && line.back() == '\r') line.pop_back();  // message 24 lines end in CR LF
            if (!line.empty()) decoded.push_back(split(line, '|'));
        }
    }
    std::filesystem::remove(path);
    return decoded;
}

double degreesOf(const std::string& field) { return std::stod(field) / kTenThousandthMinutes; }

class GpsdecodeReads : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(GpsdecodeReads, EveryFieldWithinItsResolution) {
    const DecodeRow& row = GetParam();
    const AisTarget& t = row.target;
    ASSERT_EQ(checkTarget(t), std::nullopt);
    PositionReport report;
    report.mmsi = t.mmsi;
    report.status = t.status;
    report.rateOfTurnDegPerMin = t.rateOfTurnDegPerMin;
    report.speedKnots = t.speedKnots;
    report.lat = t.lat;
    report.lon = t.lon;
    report.courseDeg = t.courseDeg;
    report.headingDeg = t.headingDeg;
    report.utcSecond = 37;
    const StaticData data = staticDataOf(t);
    const bool classA = t.aisClass == AisClass::A;

    AivdmFramer framer;
    std::vector<std::string> lines;
    const AisTalker talker = row.ownShip ? AisTalker::OwnShip : AisTalker::OtherShip;
    framer.frame(classA ? classAPositionReport(report) : classBPositionReport(report), talker, lines);
    if (classA) {
        framer.frame(staticAndVoyageData(data), AisTalker::OtherShip, lines);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[1].substr(0, 15), std::string("!AIVDM,2,1,0,B,"));
        EXPECT_EQ(lines[2].substr(0, 15), std::string("!AIVDM,2,2,0,B,"));
    } else {
        framer.frame(staticDataPartA(data), AisTalker::OtherShip, lines);
        framer.frame(staticDataPartB(data), AisTalker::OtherShip, lines);
    }
    EXPECT_EQ(lines[0].substr(0, 14), std::string(row.ownShip ? "!AIVDO,1,1,,A," : "!AIVDM,1,1,,A,"));
    // Lengths as the messages are defined (gpsd forgives short ones, other decoders do not):
    // 168 bits in 28 characters for 1, 18 and 24; 424 bits in 71 characters and 2 fill bits for 5.
    std::size_t messageFiveCharacters = 0;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size() + 2, 82u) << line;
        const std::vector<std::string> fields = split(line, ',');
        ASSERT_EQ(fields.size(), 7u) << line;
        if (fields[1] == "1") {
            EXPECT_EQ(fields[5].size(), 28u) << line;
            EXPECT_EQ(fields[6].substr(0, 1), "0") << line;
        } else {
            messageFiveCharacters += fields[5].size();
            EXPECT_EQ(fields[6].substr(0, 1), fields[2] == "2" ? "2" : "0") << line;
        }
    }
    EXPECT_EQ(messageFiveCharacters, classA ? 71u : 0u);

    const auto decoded = gpsdecode(lines, row.label);
    ASSERT_EQ(decoded.size(), classA ? 2u : 3u) << ::testing::PrintToString(lines);

    // Position report: 1 type|repeat|mmsi|status|turn|speed|accuracy|lon|lat|course|heading|second|...
    //                 18 type|repeat|mmsi|reserved|speed|accuracy|lon|lat|course|heading|second|...
    const auto& position = decoded[0];
    const std::size_t motion = classA ? 5 : 4;
    ASSERT_GE(position.size(), motion + 7);
    EXPECT_EQ(position[0], classA ? "1" : "18");
    EXPECT_EQ(position[2], std::to_string(t.mmsi));
    if (classA) {
        EXPECT_EQ(position[3], std::to_string(static_cast<int>(t.status)));
        EXPECT_EQ(position[4], std::to_string(row.turnField));
    }
    EXPECT_NEAR(std::stod(position[motion]) / 10, t.speedKnots, 0.05 + 1e-9);
    EXPECT_NEAR(degreesOf(position[motion + 2]), t.lon, 0.5 / kTenThousandthMinutes + 1e-12);
    EXPECT_NEAR(degreesOf(position[motion + 3]), t.lat, 0.5 / kTenThousandthMinutes + 1e-12);
    const double course = std::stod(position[motion + 4]) / 10;
    EXPECT_LT(course, 360);
    EXPECT_NEAR(std::remainder(course - t.courseDeg, 360.0), 0, 0.05 + 1e-9);
    EXPECT_EQ(position[motion + 5], t.headingDeg ? std::to_string(std::lround(*t.headingDeg) % 360) : "511");
    EXPECT_EQ(position[motion + 6], "37");

    const ShipDimensions& d = row.dimensions;
    const std::vector<std::string> dimensions{std::to_string(d.toBow), std::to_string(d.toStern),
                                              std::to_string(d.toPort), std::to_string(d.toStarboard)};
    if (classA) {
        // 5 type|repeat|mmsi|imo|version|callsign|shipname|shiptype|bow|stern|port|starboard|epfd|eta|draught|destination|dte
        const auto& voyage = decoded[1];
        ASSERT_EQ(voyage.size(), 17u);
        EXPECT_EQ(voyage[0], "5");
        EXPECT_EQ(voyage[2], std::to_string(t.mmsi));
        EXPECT_EQ(voyage[3], std::to_string(t.imo));
        EXPECT_EQ(voyage[5], t.callSign);
        EXPECT_EQ(voyage[6], t.name);
        EXPECT_EQ(voyage[7], std::to_string(t.shipType));
        EXPECT_EQ(std::vector(voyage.begin() + 8, voyage.begin() + 12), dimensions);
        EXPECT_EQ(voyage[14], std::to_string(std::lround(t.draughtMetres * 10)));
        EXPECT_EQ(voyage[15], t.destination);
    } else {
        // 24 type|repeat|mmsi|shipname|shiptype|vendor|model|serial|callsign|bow|stern|port|starboard
        const auto& partA = decoded[1];
        const auto& partB = decoded[2];
        ASSERT_EQ(partA.size(), 13u);
        ASSERT_EQ(partB.size(), 13u);
        EXPECT_EQ(partA[0], "24");
        EXPECT_EQ(partA[2], std::to_string(t.mmsi));
        EXPECT_EQ(partA[3], t.name);
        EXPECT_EQ(partB[2], std::to_string(t.mmsi));
        EXPECT_EQ(partB[4], std::to_string(t.shipType));
        EXPECT_EQ(partB[8], t.callSign);
        EXPECT_EQ(std::vector(partB.begin() + 9, partB.end()), dimensions);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, GpsdecodeReads, ::testing::ValuesIn(kDecodeRows),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace pelora
