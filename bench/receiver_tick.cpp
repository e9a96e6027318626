// One tick of the largest receiver profile: the sky of four constellations over the ship, the
// satellites used, the dilution and fix state, and every sentence of the Multi-GNSS burst with
// its checksum, fitted to the fastest serial rate.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "nmea/burst.h"
#include "nmea/receiver_profile.h"
#include "receiver/receiver.h"
#include "sim/utc_seconds.h"

namespace {

constexpr int kFastestBaud = 115200;

void BM_ReceiverTick(benchmark::State& state) {
    const pelora::ReceiverProfile* profile = pelora::findReceiverProfile("Multi-GNSS (NMEA 4.10)");
    pelora::ReceiverSettings settings;
    settings.systems = profile->style.systems;
    settings.noiseMetres = 2;
    settings.antennaAltitudeMetres = 12;
    settings.blockedSectors = {{200, 250, 20}};
    pelora::Receiver receiver(1);
    pelora::Fix fix;
    fix.latitude = 54.5;
    fix.longitude = -1.25;
    fix.sogText = "6.2";
    fix.cogText = "271.4";
    fix.sogKnots = 6.2;
    std::int64_t seconds = pelora::utcSecondsSince1970({2026, 12, 6, 12, 0, 0});
    std::uint64_t tick = 0;
    std::size_t lines = 0;

    for (auto _ : state) {
        fix.time = pelora::utcFromSecondsSince1970(seconds);
        receiver.observe(settings, fix.latitude, fix.longitude, seconds * 1000, fix);
        pelora::FittedBurst burst =
            pelora::fitBurst(pelora::composeBurst(fix, profile->style, profile->sentences, true), kFastestBaud, tick);
        lines += burst.lines.size();
        benchmark::DoNotOptimize(burst);
        ++seconds;
        ++tick;
    }
    state.counters["lines"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_ReceiverTick);

}  // namespace

BENCHMARK_MAIN();
