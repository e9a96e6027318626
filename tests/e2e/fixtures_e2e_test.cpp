// The example scenarios give the bytes stored in tests/fixtures, in any time zone: a CI job that
// generates a feed with --fast and compares it with a stored one can rely on that.
#include <gtest/gtest.h>

#include "e2e/program_runs.h"

namespace pelora::testing {
namespace {

struct ExampleRow {
    const char* name;
    const char* scenario;  // examples/NAME.toml, stored as tests/fixtures/NAME.nmea
    const char* timeZone;  // TZ of the run; "" leaves the machine's own
};

void PrintTo(const ExampleRow& row, std::ostream* out) { *out << row.name; }

// Where two outputs first differ: the line number and both lines; "" when they are the same.
std::string firstDifference(const QByteArray& stored, const QByteArray& made) {
    if (stored == made) return {};
    const QList<QByteArray> a = stored.split('\n');
    const QList<QByteArray> b = made.split('\n');
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const QByteArray left = i < a.size() ? a[i] : QByteArray("(end of file)");
        const QByteArray right = i < b.size() ? b[i] : QByteArray("(end of file)");
        if (left != right) {
            return "line " + std::to_string(i + 1) + " differs:\n- " + left.trimmed().toStdString() + "\n+ " +
                   right.trimmed().toStdString() + "\n(" + std::to_string(a.size()) + " lines stored, " +
                   std::to_string(b.size()) + " made; tests/fixtures/regenerate BUILD writes them again)";
        }
    }
    return "the line ends differ";
}

class ExampleScenario : public ::testing::TestWithParam<ExampleRow> {};

TEST_P(ExampleScenario, GivesTheStoredBytes) {
    const ExampleRow& row = GetParam();
    ProgramRuns runs;
    const QString output = runs.path(QStringLiteral("out.nmea"));
    const Finished run = runs.fast({"--scenario", QStringLiteral(PELORA_SOURCE_DIR "/examples/%1.toml").arg(row.scenario),
                                    "--output", "file:" + output},
                                   QString::fromLatin1(row.timeZone));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QByteArray stored =
        ProgramRuns::read(QStringLiteral(PELORA_SOURCE_DIR "/tests/fixtures/%1.nmea").arg(row.scenario));
    ASSERT_FALSE(stored.isEmpty()) << "no stored output for " << row.scenario;
    EXPECT_EQ(firstDifference(stored, ProgramRuns::read(output)), "");
}

INSTANTIATE_TEST_SUITE_P(
    , ExampleScenario,
    ::testing::Values(ExampleRow{"HarbourApproach", "harbour_approach", ""},
                      ExampleRow{"BridgeFixLoss", "bridge_fix_loss", ""},
                      ExampleRow{"MidnightClockStep", "midnight_clock_step", ""},
                      ExampleRow{"HarbourApproachInAuckland", "harbour_approach", "Pacific/Auckland"},
                      ExampleRow{"HarbourApproachInNewYork", "harbour_approach", "America/New_York"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora::testing
