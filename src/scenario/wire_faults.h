#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/random_source.h"

namespace pelora {

// The faults a GPS's bad day puts on the wire.
enum class FaultKind {
    BadChecksum,   // "bad-checksum": a wrong checksum (one is added to a line without)
    NoChecksum,    // "no-checksum": the checksum removed
    CutLine,       // "cut-line": the line cut short before its checksum
    NoCr,          // "no-cr": the line ends in LF only
    NoLf,          // "no-lf": the line ends in CR only
    LfLf,          // "lf-lf": the line ends in LF LF
    Duplicate,     // "duplicate": the line sent twice
    Reorder,       // "reorder": two neighbouring sentences of a burst swapped
    Garbage,       // "garbage": 1 to 16 garbage bytes before the line (never "$", "!", CR, LF or blanks)
    TalkerChange,  // "talker-change": the talker changes (GN, or GP for a GN line)
    GsvGap,        // "gsv-gap": one part of a GSV group missing
    WeekRollover,  // "week-rollover": the date 1024 weeks back (acts on the fix's time)
};
inline constexpr std::size_t kFaultKindCount = 12;

// The name a user types: "bad-checksum".
std::string_view faultName(FaultKind kind);
// The kind named `name` (exactly as faultName writes it), or nothing.
std::optional<FaultKind> faultKindFromName(std::string_view name);
// Every name, comma separated, for messages and help.
std::string faultNameList();

// One fault switched on: for a window of simulated time, spoiling every `every`th sentence in it
// (every one when 1). For reorder and gsv-gap, which act on a tick's burst, and week-rollover,
// which acts on a tick's fix, `every` counts ticks instead of sentences.
struct FaultSetting {
    FaultKind kind = FaultKind::BadChecksum;
    std::uint32_t every = 1;                     // 1 or more
    std::chrono::seconds from{0};                // on from this simulated time since the start
    std::optional<std::chrono::seconds> until;   // off from this time; nothing: to the end
};

inline constexpr std::uint32_t kLargestFaultEvery = 1'000'000;

// The command-line form NAME[:EVERY] ("bad-checksum:10" spoils every tenth sentence, from the
// start to the end), or a message saying what is wrong.
struct FaultOption {
    std::optional<FaultSetting> setting;
    std::string error;
};
FaultOption parseFaultOption(std::string_view text);

// One line of a tick as composed: its sentence type ("GGA") and its text with checksum (when
// it has one), without line end.
struct WireLine {
    std::string type;
    std::string text;
};

// Puts the faults switched on into each tick's output: pure transformations of the tick's
// lines, deterministic from the seed (its own generator, so the ship's random draws are not
// disturbed). Counts what it injected per fault. Single-threaded.
class WireFaults {
public:
    explicit WireFaults(std::uint64_t seed);

    void add(const FaultSetting& setting);
    bool empty() const { return m_faults.empty(); }

    // Whether this tick's fix is to carry a date 1024 weeks back (weekRolloverDate): call once a
    // tick, before composing, with the simulated time since the start.
    bool rolloverDue(std::chrono::seconds elapsed);

    // The bytes of one tick for the outputs, in order: each line followed by its line end (CR LF
    // unless a fault changes it), garbage as pieces of their own before the line it precedes.
    // Lines a fault does not touch come out as they went in.
    std::vector<std::string> apply(std::chrono::seconds elapsed, std::vector<WireLine> lines);

    // How many times each fault has been injected so far.
    std::size_t injected(FaultKind kind) const { return m_counts[static_cast<std::size_t>(kind)]; }
    // "bad-checksum: 6, duplicate: 3" for the faults injected at least once; "" when none.
    std::string countsText() const;

private:
    struct Active {
        FaultSetting setting;
        std::uint64_t seen = 0;  // sentences (or ticks) met while on
    };

    bool due(Active& fault, std::chrono::seconds elapsed);
    std::uint32_t draw(std::uint32_t below);
    void applyToBurst(std::chrono::seconds elapsed, std::vector<WireLine>& lines);

    ProgramRandom m_random;
    std::vector<Active> m_faults;
    std::array<std::size_t, kFaultKindCount> m_counts{};
};

}  // namespace pelora
