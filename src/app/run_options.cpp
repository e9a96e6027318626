#include "app/run_options.h"

#include "ais/random_targets.h"

namespace pelora {

void applyRunOptions(Simulation& simulation, const CommandLine& line, std::uint64_t seed,
                     const std::function<void(const std::string&)>& tell) {
    if (line.seed) {
        simulation.setSeed(*line.seed);
    }
    if (line.startUtc && simulation.simulatedClock() == nullptr) {
        simulation.useSimulatedClock(*line.startUtc);
    }
    for (const FaultSetting& fault : line.faults) {
        simulation.cycle().addFault(fault);
    }
    if (line.aisRandom) {
        const RunControls& start = simulation.cycle().controls();
        for (const AisTarget& target : randomTargets(*line.aisRandom, start.startLatitude, start.startLongitude,
                                                     line.seed.value_or(seed))) {
            if (const std::optional<std::string> problem = simulation.cycle().fleet().add(target)) tell(*problem);
        }
    }
    simulation.cycle().setOwnShipAis(line.aisOwnShip);
}

}  // namespace pelora
