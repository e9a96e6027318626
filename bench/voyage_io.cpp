// Save and Load of voyages through the real file functions, in a temporary folder: a week at
// one fix a second, the most lines a voyage may have, the largest file that loads, and the
// refusal of 64 MB of empty lines. The window waits for a load, so each must stay well under
// a second, and the process under 300 MB; peak_rss_MB is the peak resident size of the whole
// process so far (getrusage), so run one benchmark at a time to see its own peak.
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/voyage_file.h"
#include "support/failure_text.h"
#include "sim/voyage_text.h"

namespace {

constexpr std::size_t kWeekOfFixes = 7 * 24 * 3600;
constexpr std::size_t kLongestSentence = 82;  // NMEA's longest sentence, without CR LF

// An RMC sentence with a running time field and a true checksum, padded in its last field to
// `length` characters (at least 72).
std::string rmcSentence(std::size_t i, std::size_t length) {
    char body[96];
    std::snprintf(body, sizeof body, "GPRMC,%02zu%02zu%02zu,A,5012.34567,N,00123.45678,W,012.3,045.6,071226,003.1,W",
                  (i / 3600) % 24, (i / 60) % 60, i % 60);
    std::string text(body);
    text.append(length - 4 - text.size(), 'A');
    unsigned checksum = 0;
    for (const char c : text) checksum ^= static_cast<unsigned char>(c);
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "*%02X", checksum);
    return "$" + text + suffix;
}

double peakRssMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes
}

// Writes `lines` lines made by `line(i)` block by block, so that setting up holds no voyage
// in memory.
template <typename Line>
void writeVoyage(const std::string& path, std::size_t lines, Line line) {
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::WriteOnly);
    std::string block;
    for (std::size_t i = 0; i < lines; ++i) {
        pelora::appendFixLine(block, line(i));
        if (block.size() > (1u << 20) || i + 1 == lines) {
            file.write(block.data(), static_cast<qint64>(block.size()));
            block.clear();
        }
    }
}

void BM_SaveVoyage(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/voyage.vyg").toStdString();
    std::vector<std::string> fixes;
    fixes.reserve(pelora::kMaxVoyageLines);
    for (std::size_t i = 0; i < pelora::kMaxVoyageLines; ++i) fixes.push_back(rmcSentence(i, kLongestSentence));

    for (auto _ : state) {
        const std::optional<pelora::Failure> saved = pelora::saveVoyageFile(path, fixes);
        if (saved) state.SkipWithError(pelora::testing::errorText(saved).c_str());
    }
    state.counters["fixes"] = static_cast<double>(fixes.size());
    state.counters["file_MB"] = static_cast<double>(QFile(QString::fromStdString(path)).size()) / (1 << 20);
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}

// Loads a voyage of state.range(0) lines of state.range(1) characters each.
void BM_LoadVoyage(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/voyage.vyg").toStdString();
    const auto lineCount = static_cast<std::size_t>(state.range(0));
    const auto length = static_cast<std::size_t>(state.range(1));
    writeVoyage(path, lineCount, [length](std::size_t i) { return rmcSentence(i, length); });
    std::size_t lines = 0;
    for (auto _ : state) {
        const pelora::Result<std::vector<std::string>> loaded = pelora::loadVoyageFile(path);
        if (!loaded.ok()) state.SkipWithError(pelora::testing::errorText(loaded).c_str());
        lines = pelora::testing::linesOf(loaded).size();
        benchmark::DoNotOptimize(pelora::testing::linesOf(loaded).data());
    }
    state.counters["fixes"] = static_cast<double>(lines);
    state.counters["file_MB"] = static_cast<double>(QFile(QString::fromStdString(path)).size()) / (1 << 20);
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}

// 64 MB of empty lines: refused once the line bound is passed.
void BM_RefuseEmptyLines(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/empty-lines.vyg").toStdString();
    writeVoyage(path, 32u << 20, [](std::size_t) { return std::string(); });
    for (auto _ : state) {
        const pelora::Result<std::vector<std::string>> loaded = pelora::loadVoyageFile(path);
        if (loaded.ok()) state.SkipWithError("64 MB of empty lines loaded");
    }
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}

// The largest file that loads holds the most lines, each as long as the file bound allows.
constexpr std::size_t kLargestFileLine =
    static_cast<std::size_t>(pelora::kMaxVoyageFileBytes / pelora::kMaxVoyageLines) - pelora::kVoyageLineEnd.size();

BENCHMARK(BM_SaveVoyage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoadVoyage)
    ->ArgNames({"lines", "length"})
    ->Args({kWeekOfFixes, kLongestSentence})
    ->Args({pelora::kMaxVoyageLines, kLongestSentence})
    ->Args({pelora::kMaxVoyageLines, kLargestFileLine})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_RefuseEmptyLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
