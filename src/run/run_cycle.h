#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ais/ais_fleet.h"
#include "config/receiver_settings.h"
#include "nmea/burst.h"
#include "nmea/sentence_table.h"
#include "receiver/receiver.h"
#include "scenario/gpx.h"
#include "scenario/route_follower.h"
#include "scenario/wire_faults.h"
#include "sim/clock.h"
#include "sim/random_source.h"
#include "sim/ship_motion.h"
#include "sim/voyage.h"

namespace pelora {

// The "Use CheckSum" choice: clear, ticked or greyed; the checksum is asked for unless clear.
enum class ChecksumChoice { Clear, Ticked, Greyed };

// What a tick reads, as numbers and choices: the front end turns the texts the user typed into
// these once, when they are typed.
struct RunControls {
    double speedKnots = 6;               // demanded speed
    double courseDegrees = 0;            // the course box's number: a first step's heading
    bool responseOn = false;             // ship response and its time constant
    double responseSeconds = 5;
    bool seaOn = false;                  // sea state and its largest displacement per step
    double seaMetres = 0.1;
    bool noiseOn = false;                // GPS noise and its largest offset
    double noiseMetres = 2;
    int decimalPlaces = 4;               // of the minutes, 0..15
    bool leadingZeros = true;
    ChecksumChoice checksum = ChecksumChoice::Clear;
    const SentenceType* sentence = singleSentenceType(0);  // the single sentence; nullptr: none
    SteeringMode steering = SteeringMode::RateOfTurn;
    double startLatitude = 54;           // the position boxes, read when the ship starts afresh
    double startLongitude = 1;
};

// What a scenario does to the receiver for a while: parts of the sky hidden, the fix taken
// away, the dilution worse.
struct SkyConditions {
    std::vector<BlockedSector> blocked;
    bool fixLost = false;
    double hdopFactor = 1;
};

// What the run cycle shows: the window's controls, or nothing at all without a window.
class RunView {
public:
    virtual ~RunView() = default;
    // The course box shows the ship's heading (rate-of-turn mode).
    virtual void showCourse(const std::string& /*text*/) {}
    // The readouts: course over ground first, then speed over ground.
    virtual void showReadouts(const std::string& /*cog*/, const std::string& /*sog*/) {}
    // The playback line.
    virtual void showPlaying(const std::string& /*caption*/) {}
    // The fix of a simulated tick, after its sentences went out (the receiver's state, the
    // route's leg).
    virtual void showFix(const Fix& /*fix*/) {}
    // What the serial line's budget leaves out, once when it changes ("" when everything fits).
    virtual void showBudget(const std::string& /*note*/) {}
};

// Where the tick's lines go: every output, and what the front end shows of them.
class SentenceSink {
public:
    virtual ~SentenceSink() = default;
    // One line: `bytes` as they go on the wire, line end included (CR LF, or what a fault on the
    // wire made of it); `sentence` what the status line shows of it, when `shown` (the status
    // line shows a burst's first line, the tick's fix).
    virtual void sendLine(const std::string& bytes, const std::string& sentence, bool shown = true) = 0;
};

// The run/pause/stop states and the once-a-second tick: step the ship, follow the route, let the
// receiver see the sky, compose the burst of the receiver profile (or the single sentence), add
// the AIS traffic, keep to the serial line's budget, put on the faults, record and send. Also
// the playback of a loaded voyage. It is the ship state's one writer: the front ends change the
// ship through the commands below. Single-threaded.
class RunCycle {
public:
    enum class State { Stopped, Running, Paused };

    // Sends the lines that one playback tick takes: the next fix, or a group of fixes.
    using PlaybackPacer = std::function<std::vector<std::string>(VoyageLog& voyage, std::string& caption)>;

    // Keeps references to every argument; they must outlive the cycle. Starts Stopped with an
    // empty voyage, the default controls and the single sentence.
    RunCycle(Clock& clock, RandomSource& random, SentenceSink& sink);
    ~RunCycle();

    // What the tick shows goes to `view` from now on (nothing by default); it must outlive the
    // cycle or be replaced.
    void setView(RunView& view) { m_view = &view; }
    // The clock the sentences' time and the steps' elapsed time come from from now on.
    void setClock(Clock& clock) { m_clock = &clock; }
    Clock& clock() const { return *m_clock; }

    // The controls every following tick reads.
    void setControls(const RunControls& controls) { m_controls = controls; }
    const RunControls& controls() const { return m_controls; }

    // The autopilot's course and the demanded rate of turn (the steering controls).
    void setAutopilotCourse(double degrees) { m_ship.AutoPilot_Dir = degrees; }
    void setDemandedRate(double degreesPerSecond) { m_ship.Demand_ROT = degreesPerSecond; }

    // The receiver from the next tick on.
    void setReceiver(const ReceiverChoices& choices);
    const ReceiverChoices& receiverChoices() const { return m_receiverChoices; }
    // True while the profile is the single sentence the simulator always sent.
    bool singleSentence() const;
    SkyConditions& sky() { return m_sky; }

    // Starts the receiver's, the faults' and the targets' own random numbers from `seed`.
    void setSeed(std::uint64_t seed);

    // The baud rate of the serial line the burst must fit, asked each tick; 0 or less: no line
    // to fit (every line goes out).
    void setLineBaud(std::function<int()> baud) { m_lineBaud = std::move(baud); }

    // Follows `route` from the next tick on (the ship steers by autopilot for its waypoints);
    // nothing ends the following.
    void followRoute(std::optional<RouteFollower> route);
    const RouteFollower* route() const { return m_route ? &*m_route : nullptr; }
    // The route sentences the burst carries while a route is followed, in order.
    void setRouteSentences(std::vector<std::string> sentences) { m_routeSentences = std::move(sentences); }

    // Faults on the wire from the next tick on (simulated time counts from the Run).
    void addFault(const FaultSetting& fault);
    const WireFaults& faults() const { return m_faults; }

    // The AIS targets, moving with the ship and sending their reports through every output.
    AisFleet& fleet() { return m_fleet; }
    const AisFleet& fleet() const { return m_fleet; }
    // Replaces the targets with `fleet`'s (the fleet has no removal: a changed list is a new
    // fleet), which report afresh from the next tick on.
    void setFleet(AisFleet fleet) { m_fleet = std::move(fleet); }
    // The own ship's position report as !AIVDO once a second too.
    void setOwnShipAis(bool on) { m_ownShipAis = on; }

    // The run control's two buttons: Run/Pause (starting from Stopped takes the start position;
    // resume keeps it; both make the next step a first step) and Stop (speed, rate of turn and
    // the last step cleared).
    void runOrPause();
    void stop();

    // One tick: nothing unless Running; while a voyage plays, sends its next fix; otherwise
    // moves the ship and sends the second's lines.
    void tick();

    State state() const { return m_state; }
    bool Running() const { return m_state == State::Running; }
    // True when no step happened since the last Run, resume or Stop (Last_Tick is 0).
    bool firstStepDue() const { return !m_lastTick.has_value(); }
    // Simulated seconds since the first Run: the ticks that ran.
    std::chrono::seconds elapsed() const { return m_elapsed; }

    const ShipState& ship() const { return m_ship; }
    VoyageLog& voyage() { return m_voyage; }
    const VoyageLog& voyage() const { return m_voyage; }
    // The fixes of the simulated ticks (not of playback), for a GPX track.
    const std::vector<TrackFix>& track() const { return m_track; }
    // Whether the sentences sent are recorded in the voyage and the fixes in the track (both by
    // default, for Save Voyage and Export GPX); a run that can save neither keeps its memory
    // flat without them.
    void keepRecords(bool voyage, bool track) {
        m_keepVoyage = voyage;
        m_keepTrack = track;
    }
    // The fix of the last simulated tick.
    const Fix& lastFix() const { return m_fix; }

    // Time and date fields of the single sentence in UTC instead of local time, from the next
    // sentence on (the receiver profiles always send UTC, as receivers do).
    void setUtc(bool utc) { m_utc = utc; }
    bool utc() const { return m_utc; }

    // How a playing voyage is paced; by default one fix a tick (VoyageLog::playNext).
    void setPlaybackPacer(PlaybackPacer pacer) { m_pacer = std::move(pacer); }

private:
    void playVoyage();
    void simulate();
    std::vector<BurstLine> composeLines(Fix& fix);
    void send(std::vector<BurstLine> lines);
    void sendPlain(const std::string& sentence);

    Clock* m_clock;
    RandomSource& m_random;
    SentenceSink& m_sink;
    RunView m_noView;
    RunView* m_view = &m_noView;

    RunControls m_controls;
    State m_state = State::Stopped;
    // Monotonic time of the previous step; empty when the next step is a first step.
    std::optional<std::chrono::milliseconds> m_lastTick;
    std::chrono::seconds m_elapsed{0};
    std::uint64_t m_ticks = 0;
    ShipState m_ship;
    VoyageLog m_voyage;
    std::vector<TrackFix> m_track;
    bool m_keepVoyage = true;
    bool m_keepTrack = true;
    Fix m_fix;
    bool m_utc = false;
    PlaybackPacer m_pacer;

    ReceiverChoices m_receiverChoices;
    SentenceStyle m_style;
    std::vector<std::string> m_sentences;
    SkyConditions m_sky;
    Receiver m_receiver{ProgramRandom::kStartState};
    std::optional<RouteFollower> m_route;
    std::vector<std::string> m_routeSentences{"RMB", "APB", "XTE", "BWC", "BOD"};
    WireFaults m_faults{ProgramRandom::kStartState};
    AisFleet m_fleet;
    bool m_ownShipAis = false;
    std::function<int()> m_lineBaud;
    std::string m_budgetNote;
};

}  // namespace pelora
