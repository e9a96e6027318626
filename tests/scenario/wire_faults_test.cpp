#include "scenario/wire_faults.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "nmea/sentence.h"
#include "peer_programs.h"

namespace pelora {
namespace {

using std::chrono::seconds;

WireLine line(const char* type, const std::string& body) { return WireLine{type, body + CS(body)}; }

// A burst as a receiver sends it: GGA, a GSV group of three parts, RMC.
std::vector<WireLine> burst() {
    return {line("GGA", "$GPGGA,080000,5400.0000,N,00100.0000,W,1,09,0.9,12.0,M,47.0,M,,"),
            line("GSV", "$GPGSV,3,1,09,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45"),
            line("GSV", "$GPGSV,3,2,09,15,62,113,48,17,12,042,40,19,33,162,44,22,49,273,47"),
            line("GSV", "$GPGSV,3,3,09,24,15,198,38"),
            line("RMC", "$GPRMC,080000,A,5400.0000,N,00100.0000,W,6.0,090.0,010626,,,A")};
}

std::vector<std::string> clean() {
    std::vector<std::string> bytes;
    for (const WireLine& l : burst()) bytes.push_back(l.text + "\r\n");
    return bytes;
}

// How many lines pynmea2 refuses in strict mode when the bytes are read line by line.
int refusedByPynmea2(const std::vector<std::string>& bytes) {
    std::string stream;
    for (const std::string& piece : bytes) stream += piece;
    testing::ScratchFolder folder;
    const std::string input = folder.write("wire.bin", stream);
    const std::string script = folder.write("strict.py", R"PY(
import sys, pynmea2
refused = 0
for raw in open(sys.argv[1], 'rb').read().split(b'\n'):
    text = raw.decode('latin-1').rstrip('\r')
    if not text: continue
    try: pynmea2.parse(text, check=True)
    except Exception: refused += 1
print(refused)
)PY");
    const testing::ProgramRun run = testing::runProgram("/usr/bin/python3 " + script + " " + input);
    EXPECT_EQ(run.status, 0) << run.output;
    return std::atoi(run.output.c_str());
}

struct FaultRow {
    const char* name;
    FaultKind kind;
    std::uint32_t every;
    std::size_t injected;
    int refused;  // lines pynmea2 refuses
    std::function<void(const std::vector<std::string>& out, const std::vector<std::string>& in)> effect;
};

class Fault : public ::testing::TestWithParam<FaultRow> {};

TEST_P(Fault, SpoilsTheWireAsNamed) {
    WireFaults faults(7);
    faults.add(FaultSetting{GetParam().kind, GetParam().every, seconds(0), std::nullopt});
    const std::vector<std::string> out = faults.apply(seconds(3), burst());
    GetParam().effect(out, clean());
    EXPECT_EQ(faults.injected(GetParam().kind), GetParam().injected);
    EXPECT_EQ(refusedByPynmea2(out), GetParam().refused);
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Fault,
    ::testing::Values(
        FaultRow{"BadChecksumEverySecondSentence", FaultKind::BadChecksum, 2, 2, 2,
                 [](const auto& out, const auto& in) {
                     ASSERT_EQ(out.size(), 5u);
                     for (std::size_t i = 0; i < 5; ++i) {
                         EXPECT_EQ(out[i] == in[i], i % 2 == 0) << i;
                         EXPECT_EQ(out[i].substr(0, out[i].size() - 5), in[i].substr(0, in[i].size() - 5));
                     }
                 }},
        FaultRow{"NoChecksum", FaultKind::NoChecksum, 1, 5, 5,
                 [](const auto& out, const auto& in) {
                     ASSERT_EQ(out.size(), 5u);
                     for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(out[i], in[i].substr(0, in[i].size() - 5) + "\r\n");
                 }},
        FaultRow{"CutLineEveryFifth", FaultKind::CutLine, 5, 1, 1,
                 [](const auto& out, const auto& in) {
                     ASSERT_EQ(out.size(), 5u);
                     EXPECT_LT(out[4].size(), in[4].size() - 3);
                     EXPECT_EQ(in[4].rfind(out[4].substr(0, out[4].size() - 2), 0), 0u) << "a beginning of the line";
                     EXPECT_EQ(out[4].find('*'), std::string::npos) << out[4];
                     EXPECT_TRUE(endsWith(out[4], "\r\n"));
                 }},
        FaultRow{"NoCr", FaultKind::NoCr, 1, 5, 0,
                 [](const auto& out, const auto& in) {
                     for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(out[i], in[i].substr(0, in[i].size() - 2) + "\n");
                 }},
        FaultRow{"NoLfRunsTheLinesTogether", FaultKind::NoLf, 1, 5, 1,
                 [](const auto& out, const auto& in) {
                     for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(out[i], in[i].substr(0, in[i].size() - 1));
                 }},
        FaultRow{"LfLf", FaultKind::LfLf, 1, 5, 0,
                 [](const auto& out, const auto& in) {
                     for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(out[i], in[i].substr(0, in[i].size() - 2) + "\n\n");
                 }},
        FaultRow{"DuplicateEverySecondSentence", FaultKind::Duplicate, 2, 2, 0,
                 [](const auto& out, const auto& in) {
                     EXPECT_EQ(out, (std::vector<std::string>{in[0], in[1], in[1], in[2], in[3], in[3], in[4]}));
                 }},
        FaultRow{"ReorderSwapsTwoNeighbours", FaultKind::Reorder, 1, 1, 0,
                 [](const auto& out, const auto& in) {
                     ASSERT_EQ(out.size(), 5u);
                     std::size_t moved = 0;
                     for (std::size_t i = 0; i < 5; ++i) {
                         if (out[i] == in[i]) continue;
                         ++moved;
                         EXPECT_TRUE((i > 0 && out[i] == in[i - 1]) || (i < 4 && out[i] == in[i + 1])) << i;
                     }
                     EXPECT_EQ(moved, 2u);
                 }},
        FaultRow{"GarbageBeforeEachLine", FaultKind::Garbage, 1, 5, 5,
                 [](const auto& out, const auto& in) {
                     ASSERT_EQ(out.size(), 10u);
                     for (std::size_t i = 0; i < 5; ++i) {
                         EXPECT_EQ(out[2 * i + 1], in[i]);
                         EXPECT_GE(out[2 * i].size(), 1u);
                         EXPECT_LE(out[2 * i].size(), 16u);
                         EXPECT_EQ(out[2 * i].find_first_of("$!\r\n \t"), std::string::npos);
                     }
                 }},
        FaultRow{"TalkerChangeKeepsValidSentences", FaultKind::TalkerChange, 1, 5, 0,
                 [](const auto& out, const auto& in) {
                     for (std::size_t i = 0; i < 5; ++i) {
                         EXPECT_EQ(out[i].substr(0, 3), "$GN");
                         EXPECT_EQ(out[i].substr(3, out[i].size() - 8), in[i].substr(3, in[i].size() - 8));
                     }
                 }},
        FaultRow{"GsvGapLosesOnePart", FaultKind::GsvGap, 1, 1, 0,
                 [](const auto& out, const auto& in) {
                     ASSERT_EQ(out.size(), 4u);
                     EXPECT_EQ(out.front(), in.front());
                     EXPECT_EQ(out.back(), in.back());
                     const std::vector<std::string> left{out[1], out[2]};
                     EXPECT_TRUE(left == (std::vector<std::string>{in[2], in[3]}) ||
                                 left == (std::vector<std::string>{in[1], in[3]}) ||
                                 left == (std::vector<std::string>{in[1], in[2]}));
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WireFaults, OnOnlyInTheirWindowAndTheSameForTheSameSeed) {
    auto run = [](std::uint64_t seed) {
        WireFaults faults(seed);
        faults.add(FaultSetting{FaultKind::Garbage, 1, seconds(10), seconds(12)});
        faults.add(FaultSetting{FaultKind::CutLine, 3, seconds(10), seconds(12)});
        faults.add(FaultSetting{FaultKind::WeekRollover, 1, seconds(11), std::nullopt});
        std::vector<std::vector<std::string>> ticks;
        std::vector<bool> rollover;
        for (int t = 9; t <= 12; ++t) {
            rollover.push_back(faults.rolloverDue(seconds(t)));
            ticks.push_back(faults.apply(seconds(t), burst()));
        }
        EXPECT_EQ(faults.countsText(), "cut-line: 3, garbage: 10, week-rollover: 2");
        EXPECT_EQ(rollover, (std::vector<bool>{false, false, true, true}));
        return ticks;
    };
    const auto ticks = run(42);
    EXPECT_EQ(ticks[0], clean()) << "before the window";
    EXPECT_EQ(ticks[3], clean()) << "after the window";
    EXPECT_EQ(ticks[1].size(), 10u) << "garbage before each line while on";
    EXPECT_EQ(run(42), ticks) << "deterministic from the seed";
    EXPECT_NE(run(43), ticks);
}

struct OptionRow {
    const char* name;
    const char* text;
    const char* parsed;  // "kind every", or the error
};

class FaultOptionText : public ::testing::TestWithParam<OptionRow> {};

TEST_P(FaultOptionText, ReadsOrSaysWhatIsWrong) {
    const FaultOption option = parseFaultOption(GetParam().text);
    const std::string parsed = option.setting ? std::string(faultName(option.setting->kind)) + " " +
                                                 std::to_string(option.setting->every)
                                           : option.error;
    EXPECT_EQ(parsed, GetParam().parsed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FaultOptionText,
    ::testing::Values(
        OptionRow{"EveryTenth", "bad-checksum:10", "bad-checksum 10"},
        OptionRow{"EverySentence", "week-rollover", "week-rollover 1"},
        OptionRow{"Misspelt", "bad-cheksum:10",
                  "unknown fault 'bad-cheksum' (did you mean 'bad-checksum'?); the faults are bad-checksum, "
                  "no-checksum, cut-line, no-cr, no-lf, lf-lf, duplicate, reorder, garbage, talker-change, gsv-gap, "
                  "week-rollover"},
        OptionRow{"ZeroEvery", "duplicate:0",
                  "fault 'duplicate:0': after the colon give how often, a whole number from 1 to 1000000 "
                  "(bad-checksum:10 spoils every tenth sentence)"},
        OptionRow{"NoName", ":5",
                  "a fault needs a name: bad-checksum, no-checksum, cut-line, no-cr, no-lf, lf-lf, duplicate, "
                  "reorder, garbage, talker-change, gsv-gap, week-rollover"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
