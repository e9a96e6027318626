#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "nmea/burst.h"
#include "nmea/receiver_profile.h"
#include "nmea/sentence.h"
#include "receiver/receiver.h"
#include "sim/utc_seconds.h"

namespace pelora {
namespace {

const DateTime kBurstTime{2026, 12, 6, 12, 34, 56};

// The ship at 54.5 N 1.25 W at 12:34:56.78 on the 6th of December 2026, as the receiver sees it.
Fix observedFix(const std::vector<GnssSystem>& systems, bool fixAvailable, bool differential) {
    ReceiverSettings settings;
    settings.systems = systems;
    settings.fixAvailable = fixAvailable;
    settings.differential = differential;
    settings.noiseMetres = 2;
    settings.antennaAltitudeMetres = 12;
    Fix fix;
    fix.latitude = 54.5;
    fix.longitude = -1.25;
    fix.time = kBurstTime;
    fix.millisecond = 780;
    fix.sogText = "6.2";
    fix.cogText = "271.4";
    fix.sogKnots = 6.2;
    fix.cogDegrees = 271.4;
    fix.headingDegrees = 270.9;
    Receiver(3).observe(settings, fix.latitude, fix.longitude, utcSecondsSince1970(kBurstTime) * 1000 + 780, fix);
    return fix;
}

// Every line of every receiver profile, in each state and version, as pynmea2 reads it.
TEST(ProfileBursts, ParseStrictlyWithPynmea2) {
    std::vector<std::string> everyType;
    for (const SentenceType& type : sentenceTypes()) everyType.emplace_back(type.name);
    // A name of this process's own, so that two test runs side by side do not share it.
    const std::string path = ::testing::TempDir() + "receiver_bursts-" + std::to_string(::getpid()) + ".txt";
    std::ofstream file(path);
    int lines = 0;
    for (const ReceiverProfile& profile : receiverProfiles()) {
        if (profile.style.seedForm) continue;
        // The custom profile asks for every type the table has, from every system.
        const bool custom = profile.name == "Custom";
        const std::vector<std::string>& types = custom ? everyType : profile.sentences;
        SentenceStyle style = profile.style;
        if (custom) {
            style.talker = "GN";
            style.systems = {GnssSystem::Gps, GnssSystem::Glonass, GnssSystem::Galileo, GnssSystem::Beidou};
        }
        for (const char* state : {"fix", "nofix", "dgps"}) {
            const Fix fix = observedFix(style.systems, std::string(state) != "nofix", std::string(state) == "dgps");
            for (NmeaVersion version : {NmeaVersion::V23, NmeaVersion::V410, NmeaVersion::V411}) {
                style.version = version;
                for (const BurstLine& line : composeBurst(fix, style, types, false)) {
                    file << nmeaVersionText(version) << '\t' << state << '\t' << line.sentence << '\n';
                    ++lines;
                }
            }
        }
    }
    file.close();
    ASSERT_GT(lines, 200);
    const std::string command = "/usr/bin/python3 " PELORA_SOURCE_DIR "/tests/receiver/check_lines.py " + path +
                                " > " + path + ".out 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream report(path + ".out");
    const std::string faults((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    std::remove((path + ".out").c_str());
    EXPECT_EQ(status, 0) << faults;
}

// The single sentence through the burst comes out as it always did, checksum rule included.
TEST(ProfileBursts, SingleSentenceStaysTheSeed) {
    const ReceiverProfile* single = findReceiverProfile("Single sentence");
    ASSERT_NE(single, nullptr);
    const Fix fix = observedFix({GnssSystem::Gps}, true, false);
    for (int type = kSentenceGLL; type <= kSentenceRMC; ++type) {
        for (int checksumBox : {0, 1}) {
            const std::vector<std::string> names{singleSentenceNames()[static_cast<std::size_t>(type)]};
            const std::vector<BurstLine> lines = composeBurst(fix, single->style, names, checksumBox != 0);
            ASSERT_EQ(lines.size(), 1U);
            EXPECT_EQ(lines[0].sentence,
                      withChecksumIfDue(NMEA(fix.longitude, fix.latitude, fix.decimalPlaces, fix.leadingZeros, type,
                                             fix.sogText, fix.cogText, fix.time),
                                        checksumBox, type));
        }
    }
}

enum class Outcome { Everything, SkySpread, TypesLeftOut };

struct FitRow {
    const char* name;
    const char* profile;
    int baud;
    Outcome outcome;
    const char* messageEnd;  // what the message says after the figures
};

class BurstFit : public ::testing::TestWithParam<FitRow> {};

// Over as many seconds as the spreading takes, every second fits the line, the fix sentences go
// every second and each GSV line goes exactly once; the message says what is done.
TEST_P(BurstFit, NeverRunsIntoTheNextSecond) {
    const FitRow& row = GetParam();
    const ReceiverProfile* profile = findReceiverProfile(row.profile);
    ASSERT_NE(profile, nullptr);
    const Fix fix = observedFix(profile->style.systems, true, false);
    const std::vector<BurstLine> burst = composeBurst(fix, profile->style, profile->sentences, true);
    std::multiset<std::string> skySent;
    std::set<std::string> skyAll;
    for (const BurstLine& line : burst) {
        if (line.type == "GSV") skyAll.insert(line.sentence);
    }
    for (std::uint64_t tick = 1000; tick < 1006; ++tick) {
        const FittedBurst fitted = fitBurst(burst, row.baud, tick);
        EXPECT_LE(burstBytes(fitted.lines), bytesPerSecond(row.baud));
        const std::string figures = "At " + std::to_string(row.baud) + " baud a second carries " +
                                    std::to_string(row.baud / 10) + " bytes and this burst is " +
                                    std::to_string(burstBytes(burst)) + ": ";
        EXPECT_EQ(fitted.message, row.outcome == Outcome::Everything ? "" : figures + row.messageEnd);
        ASSERT_FALSE(fitted.lines.empty());
        EXPECT_EQ(fitted.lines.front().type, "RMC");
        if (row.outcome == Outcome::Everything) {
            EXPECT_EQ(fitted.lines.size(), burst.size());
        }
        for (const BurstLine& line : fitted.lines) {
            if (line.type == "GSV") skySent.insert(line.sentence);
        }
    }
    if (row.outcome == Outcome::SkySpread) {
        const std::size_t seconds = 2;  // in this sky, at these rates
        EXPECT_EQ(skySent.size(), skyAll.size() * 6 / seconds);
        for (const std::string& line : skyAll) EXPECT_EQ(skySent.count(line), 6 / seconds) << line;
    }
    if (row.outcome == Outcome::TypesLeftOut) {
        EXPECT_TRUE(skySent.empty());
    }
}

constexpr const char* kMarine = "Marine GPS (NMEA 2.3)";
constexpr const char* kMulti = "Multi-GNSS (NMEA 4.10)";

INSTANTIATE_TEST_SUITE_P(
    Rows, BurstFit,
    ::testing::Values(FitRow{"MarineAt4800", kMarine, 4800, Outcome::Everything, ""},
                      FitRow{"MarineAt2400", kMarine, 2400, Outcome::TypesLeftOut, "GSV, ZDA and GLL are left out."},
                      FitRow{"MultiAt1200", kMulti, 1200, Outcome::TypesLeftOut,
                             "GSV, ZDA, GLL, GSA, GNS and GGA are left out."},
                      FitRow{"MultiAt4800", kMulti, 4800, Outcome::TypesLeftOut, "GSV and GLL are left out."},
                      FitRow{"MultiAt9600", kMulti, 9600, Outcome::SkySpread, "GSV goes out over 2 seconds."},
                      FitRow{"MultiAt38400", kMulti, 38400, Outcome::Everything, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
