#pragma once

#include "app/command_line.h"
#include "run/simulation.h"

namespace pelora {

// Puts the command line's run choices that both front ends share into the simulation, once its
// controls are in: the seed, a simulated clock from --start, the faults on the wire, random AIS
// targets around the start position (drawn from --seed, else `seed`, a scenario's) and the own
// ship's AIVDO. Messages for targets that could not be placed go to `tell`.
void applyRunOptions(Simulation& simulation, const CommandLine& line, std::uint64_t seed,
                     const std::function<void(const std::string&)>& tell);

}  // namespace pelora
