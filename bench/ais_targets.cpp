// The AIS fleet: its work per one-second tick (move every target, encode and frame what is due)
// with 0, 100 and 1,000 random targets, and the AIVDM traffic it makes, so that one can say what
// a serial line carries: at 10 bits a character, 4800 baud carries 480 bytes a second and
// 38400 baud 3840. The traffic counters come from one simulated hour from the fleet's start
// (first reports staggered, static data every six minutes), CR LF included.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "ais/ais_fleet.h"
#include "ais/random_targets.h"

namespace {

using std::chrono::seconds;

const pelora::AisTime kStart{std::chrono::sys_days{std::chrono::year{2026} / 12 / 6}};
constexpr double kLineEndBytes = 2;
constexpr double kBytesPerSecondAt4800Baud = 480;
constexpr double kBytesPerSecondAt38400Baud = 3840;

pelora::AisFleet fleetOf(int count) {
    pelora::AisFleet fleet;
    for (const pelora::AisTarget& target : pelora::randomTargets({count, 20}, 50, -1.3, 1)) fleet.add(target);
    return fleet;
}

void BM_FleetTick(benchmark::State& state) {
    pelora::AisFleet fleet = fleetOf(static_cast<int>(state.range(0)));
    pelora::AisTime now = kStart;
    std::size_t sentences = 0;
    for (auto _ : state) {
        const std::vector<std::string> lines = fleet.tick(now);
        sentences += lines.size();
        now += seconds(1);
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["sentences_per_tick"] = static_cast<double>(sentences) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FleetTick)->Arg(0)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_AivdmTrafficHour(benchmark::State& state) {
    constexpr int kSecondsPerHour = 3600;
    double bytes = 0;
    double sentences = 0;
    double busiestSecond = 0;
    for (auto _ : state) {
        pelora::AisFleet fleet = fleetOf(static_cast<int>(state.range(0)));
        bytes = 0;
        sentences = 0;
        busiestSecond = 0;
        for (int second = 0; second < kSecondsPerHour; ++second) {
            double secondBytes = 0;
            for (const std::string& line : fleet.tick(kStart + seconds(second))) {
                secondBytes += static_cast<double>(line.size()) + kLineEndBytes;
                ++sentences;
            }
            bytes += secondBytes;
            busiestSecond = std::max(busiestSecond, secondBytes);
        }
    }
    const double perSecond = bytes / kSecondsPerHour;
    state.counters["bytes_per_s"] = perSecond;
    state.counters["sentences_per_s"] = sentences / kSecondsPerHour;
    state.counters["busiest_second_bytes"] = busiestSecond;
    state.counters["share_of_4800_baud"] = perSecond / kBytesPerSecondAt4800Baud;
    state.counters["share_of_38400_baud"] = perSecond / kBytesPerSecondAt38400Baud;
}
BENCHMARK(BM_AivdmTrafficHour)->Arg(100)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
