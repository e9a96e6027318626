// One tick's core work: advance the ship, compose the sentence, append the checksum.
#include <benchmark/benchmark.h>

#include <string>

#include "nmea/sentence.h"
#include "sim/ship_motion.h"

namespace {

void BM_CoreTick(benchmark::State& state) {
    const int sentenceType = static_cast<int>(state.range(0));
    pelora::ShipState ship;
    ship.Ship_Lat = 54;
    ship.Ship_Lon = -1;
    ship.Demand_ROT = 0.5;
    pelora::StepInputs inputs;
    inputs.elapsed_ms = 1000;
    inputs.demanded_speed = 6;
    inputs.response_on = true;
    inputs.response_seconds = 5;
    inputs.sea_on = true;
    inputs.sea_metres = 0.1;
    inputs.noise_on = true;
    inputs.noise_metres = 2;
    pelora::ProgramRandom random;
    const pelora::DateTime now{2026, 12, 6, 12, 34, 56};

    for (auto _ : state) {
        const pelora::StepResult step = pelora::advanceShip(ship, inputs, random);
        std::string sentence = pelora::NMEA(step.reported_lon, step.reported_lat, 4, true, sentenceType,
                                            ship.SOG_Text, ship.COG_Text, now);
        sentence = pelora::withChecksumIfDue(sentence, 1, sentenceType);
        benchmark::DoNotOptimize(sentence);
        benchmark::DoNotOptimize(step);
    }
}

BENCHMARK(BM_CoreTick)->Arg(pelora::kSentenceGLL)->Arg(pelora::kSentenceGGA)->Arg(pelora::kSentenceRMC);

}  // namespace

BENCHMARK_MAIN();
