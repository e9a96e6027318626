#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ais/ais_messages.h"
#include "ais/ais_target.h"
#include "ais/aivdm_framer.h"
#include "ais/closest_approach.h"
#include "ais/target_motion.h"

namespace pelora {

// A moment of the simulated clock: UTC, milliseconds since 1970-01-01 00:00:00.
using AisTime = std::chrono::sys_time<std::chrono::milliseconds>;

// The AIS targets around the simulated ship and the AIVDM traffic an AIS receiver among them
// would hear. Each tick moves every target on and gives the sentences due: position reports at
// the interval ITU-R M.1371 sets for the target's class, speed, turn and status, static data
// every six minutes. First reports are staggered by each target's place in the fleet, so that
// a large fleet does not report all in one second. Targets draw no random numbers. Single-threaded.
class AisFleet {
public:
    // Adds a target, which moves and reports from the next tick on. Nothing when it is taken,
    // otherwise why not: what checkTarget says, or that another target has its MMSI.
    std::optional<std::string> add(const AisTarget& target);

    std::size_t size() const { return m_entries.size(); }
    // The i-th target as it was added, and how it moves now. Requires i < size().
    const AisTarget& target(std::size_t i) const { return m_entries[i].target; }
    const TargetMotion& motion(std::size_t i) const { return m_entries[i].motion; }

    // Moves every target on to `now` and returns the sentences (without line end) that are due,
    // target by target in the order they were added, each target's position report before its
    // static data. Ticks normally come once a second; any spacing works, a report that falls
    // between two ticks goes out at the later one, and a report missed by more than a whole
    // interval is not made up. A time earlier than the last tick moves nothing and starts every
    // target's reporting afresh, as after adding it.
    std::vector<std::string> tick(AisTime now);

    // The own ship's position report as its AIS transceiver gives it to the ship's own
    // equipment: message 1 (class A) or 18 (class B) in "!AIVDO" sentences, on the channels
    // and sequential ids this fleet's sentences use.
    std::vector<std::string> ownShipReport(const PositionReport& report, AisClass aisClass);

    // Every target's closest point of approach to the own ship, in the order the targets
    // were added.
    std::vector<ClosestApproach> closestApproaches(const Movement& own) const;

private:
    struct Entry {
        explicit Entry(const AisTarget& added)
            : target(added), staticData(staticDataOf(added)), motion(added) {}

        AisTarget target;
        StaticData staticData;
        TargetMotion motion;
        bool started = false;               // seen by a tick: moving, reports scheduled
        AisTime positionDue;                // the next position report, when none was made yet
        std::optional<AisTime> lastReport;  // the time the last position report stood for
        AisTime staticDue;
    };

    void start(Entry& entry, std::size_t place, AisTime now) const;
    PositionReport reportOf(const Entry& entry, AisTime now) const;
    void reportPosition(Entry& entry, AisTime now, std::vector<std::string>& lines);
    void reportStatic(Entry& entry, AisTime now, std::vector<std::string>& lines);

    std::vector<Entry> m_entries;
    AivdmFramer m_framer;
    std::optional<AisTime> m_lastTick;
};

}  // namespace pelora
