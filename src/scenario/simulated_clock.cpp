#include "scenario/simulated_clock.h"

#include "scenario/calendar.h"

namespace pelora {

SimulatedClock::SimulatedClock(const DateTime& startUtc) : m_utcSeconds(secondsSinceEpoch(startUtc)) {}

void SimulatedClock::tick() {
    ++m_ticks;
    ++m_utcSeconds;
}

void SimulatedClock::step(std::chrono::seconds delta) { m_utcSeconds += delta.count(); }

DateTime SimulatedClock::utcNow() const { return dateTimeAt(m_utcSeconds); }

}  // namespace pelora
