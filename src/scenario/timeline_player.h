#pragma once

#include <chrono>
#include <cstddef>
#include <span>
#include <vector>

#include "scenario/scenario.h"

namespace pelora {

// Plays a scenario's timeline: given the simulated time since the start at each tick, yields
// the events that have fallen due since the previous call, in time order (equal times in file
// order). Deterministic: the same times give the same events. Time counts ticks, so a clock
// step never repeats or skips an event.
class TimelinePlayer {
public:
    // Requires `events` in time order, as the scenario parser gives them.
    explicit TimelinePlayer(std::vector<ScenarioEvent> events);

    // The events due at or before `elapsed` not yet given. Valid until the next call. A time
    // earlier than a previous one gives nothing.
    std::span<const ScenarioEvent> due(std::chrono::seconds elapsed);

    // True once every event has been given.
    bool finished() const { return m_next == m_events.size(); }

private:
    std::vector<ScenarioEvent> m_events;
    std::size_t m_next = 0;
};

}  // namespace pelora
