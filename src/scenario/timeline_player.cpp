#include "scenario/timeline_player.h"

#include <utility>

namespace pelora {

TimelinePlayer::TimelinePlayer(std::vector<ScenarioEvent> events) : m_events(std::move(events)) {}

std::span<const ScenarioEvent> TimelinePlayer::due(std::chrono::seconds elapsed) {
    const std::size_t first = m_next;
    while (m_next < m_events.size() && m_events[m_next].at <= elapsed) ++m_next;
    return std::span<const ScenarioEvent>(m_events).subspan(first, m_next - first);
}

}  // namespace pelora
