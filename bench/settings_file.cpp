// Save and load of a settings file of 100 MB (a hand-written group of about 1.6 million lines
// besides the window's sixteen values and the port map) through the real settings store, in a
// temporary folder. A save writes the whole file once, flushed to the disk; a start-up reads
// the window's sixteen values. Neither may hold the window for seconds. peak_rss_MB is the
// peak resident size of the whole process so far, so run one benchmark at a time to see its own.
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/qt_settings_store.h"

namespace {

constexpr std::size_t kFileBytes = 100 * 1024 * 1024;
// File times are coarse: a file written this recently is compared byte for byte at each read.
constexpr std::chrono::milliseconds kSettleTime{200};
constexpr int kRunsInALine = 1'000'000;  // the run number in the first line has six digits

const std::vector<std::pair<std::string, std::string>> kWindowValues{
    {"txt_lat", "54N00.0000"},  {"txt_lon", "001E00.0000"}, {"txt_SPEED", "12"},    {"txt_DIR", "90"},
    {"txt_ROT", "0"},           {"txt_DPS", "4"},           {"txt_GPS_NOISE", "0"}, {"txt_Heavy_Sea", "0"},
    {"txt_SHIP_Response", "0"}, {"chk_sum", "1"},           {"chk_NLZ", "1"},       {"chk_GPS_Noise", "0"},
    {"chk_Heavy_Sea", "0"},     {"chk_Ship_Response", "0"}, {"cmb_NMEA", "RMC"},    {"cmb_PORT", "COM 2"}};

// A temporary settings folder holding a 100 MB pelora.ini whose first line is a comment that
// can be rewritten in place.
struct LargeSettings {
    LargeSettings() {
        QDir().mkpath(dir.path() + "/pelora");
        path = (dir.path() + "/pelora/pelora.ini").toStdString();
        std::string text = "; run 000000\n[Ports]\nCOM1=/dev/pts/7\n\n[FRM_NMEA]\n";
        for (const auto& [key, value] : kWindowValues) text += key + "=" + value + "\n";
        text += "\n[Notes]\n";
        char line[96];
        for (std::size_t n = 0; text.size() < kFileBytes; ++n) {
            std::snprintf(line, sizeof line, "note%07zu=a hand-written line, with a comma and some words\n", n);
            text += line;
        }
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }

    // Changes the first line in place: same size, other bytes, so that the next read parses.
    void touch(int run) const {
        char line[16];
        const int length = std::snprintf(line, sizeof line, "; run %06d\n", run % kRunsInALine);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::pwrite(fd, line, static_cast<std::size_t>(length), 0);
            ::close(fd);
        }
    }

    QTemporaryDir dir;
    std::string path;
};

double peakRssMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes
}

void readWindowValues(pelora::QtSettingsStore& store, benchmark::State& state) {
    for (const auto& [key, value] : kWindowValues) {
        const pelora::SettingRead read = store.GetSetting("pelora", "FRM_NMEA", key);
        if (!read.ok() || read.value != value) state.SkipWithError("a value did not read back");
    }
}

// The Yes at the close question: the window's sixteen values in one pass.
void BM_SaveSixteenValues(benchmark::State& state) {
    const LargeSettings settings;
    pelora::QtSettingsStore store("pelora", settings.dir.path());
    for (auto _ : state) {
        if (const auto error = store.saveSettings("pelora", "FRM_NMEA", kWindowValues)) {
            state.SkipWithError(error->reason.c_str());
        }
    }
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}
BENCHMARK(BM_SaveSixteenValues)->Unit(benchmark::kMillisecond)->Iterations(5);

// A start-up after the file changed: read and parse it once, then fifteen more values.
void BM_StartUpReadsChangedFile(benchmark::State& state) {
    const LargeSettings settings;
    pelora::QtSettingsStore store("pelora", settings.dir.path());
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        settings.touch(++run);
        state.ResumeTiming();
        readWindowValues(store, state);
    }
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}
BENCHMARK(BM_StartUpReadsChangedFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// Sixteen reads of a file already read and unchanged (the serial device map reads it again at
// each port pick).
void BM_ReadsOfAnUnchangedFile(benchmark::State& state) {
    const LargeSettings settings;
    std::this_thread::sleep_for(kSettleTime);
    pelora::QtSettingsStore store("pelora", settings.dir.path());
    readWindowValues(store, state);
    for (auto _ : state) {
        readWindowValues(store, state);
    }
}
BENCHMARK(BM_ReadsOfAnUnchangedFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
