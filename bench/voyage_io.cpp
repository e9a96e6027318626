// Save and Load of a voyage of 1,000,000 fixes (about eleven and a half days at one fix a
// second) through the real file functions, in a temporary folder. Each must stay under one
// second, and the process under 200 MB; peak_rss_MB is the peak resident size of the whole
// process so far (getrusage), so run one benchmark at a time to see its own peak.
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/voyage_file.h"
#include "sim/voyage_text.h"

namespace {

constexpr std::size_t kFixes = 1'000'000;

// An RMC sentence of 72 characters with a running time field and a true checksum.
std::string rmcSentence(std::size_t i) {
    char body[96];
    std::snprintf(body, sizeof body, "GPRMC,%02zu%02zu%02zu,A,5012.34567,N,00123.45678,W,012.3,045.6,071226,003.1,W",
                  (i / 3600) % 24, (i / 60) % 60, i % 60);
    unsigned checksum = 0;
    for (const char* c = body; *c != '\0'; ++c) checksum ^= static_cast<unsigned char>(*c);
    char sentence[112];
    std::snprintf(sentence, sizeof sentence, "$%s*%02X", body, checksum);
    return sentence;
}

double peakRssMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes
}

void BM_SaveVoyage(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/voyage.vyg").toStdString();
    std::vector<std::string> fixes;
    fixes.reserve(kFixes);
    for (std::size_t i = 0; i < kFixes; ++i) fixes.push_back(rmcSentence(i));

    for (auto _ : state) {
        const pelora::VoyageSaveResult saved = pelora::saveVoyageFile(path, fixes);
        if (!saved.ok) state.SkipWithError(saved.error.c_str());
    }
    state.counters["fixes"] = static_cast<double>(kFixes);
    state.counters["file_MB"] = static_cast<double>(QFile(QString::fromStdString(path)).size()) / (1 << 20);
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}

void BM_LoadVoyage(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/voyage.vyg").toStdString();
    {
        // Written block by block so that setting up holds no voyage in memory.
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::WriteOnly);
        std::string block;
        for (std::size_t i = 0; i < kFixes; ++i) {
            pelora::appendFixLine(block, rmcSentence(i));
            if (block.size() > (1u << 20) || i + 1 == kFixes) {
                file.write(block.data(), static_cast<qint64>(block.size()));
                block.clear();
            }
        }
    }
    std::size_t lines = 0;
    for (auto _ : state) {
        const pelora::VoyageLoadResult loaded = pelora::loadVoyageFile(path);
        if (!loaded.ok) state.SkipWithError(loaded.error.c_str());
        lines = loaded.lines.size();
        benchmark::DoNotOptimize(loaded.lines.data());
    }
    state.counters["fixes"] = static_cast<double>(lines);
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}

BENCHMARK(BM_SaveVoyage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoadVoyage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
