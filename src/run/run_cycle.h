#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "nmea/sentence_table.h"
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
};

// Where the tick's sentences go: every output, and what the front end shows of them.
class SentenceSink {
public:
    virtual ~SentenceSink() = default;
    virtual void send(const std::string& sentence) = 0;
};

// The run/pause/stop states, the once-a-second tick (step the ship, compose, record, send) and
// the playback of a loaded voyage. It is the ship state's one writer: the front ends change the
// ship through the commands below. Single-threaded.
class RunCycle {
public:
    enum class State { Stopped, Running, Paused };

    // Sends the lines that one playback tick takes: the next fix, or a group of fixes.
    using PlaybackPacer = std::function<std::vector<std::string>(VoyageLog& voyage, std::string& caption)>;

    // Keeps references to every argument; they must outlive the cycle. Starts Stopped with an
    // empty voyage and the default controls.
    RunCycle(Clock& clock, RandomSource& random, SentenceSink& sink);

    // What the tick shows goes to `view` from now on (nothing by default); it must outlive the
    // cycle or be replaced.
    void setView(RunView& view) { m_view = &view; }

    // The controls every following tick reads.
    void setControls(const RunControls& controls) { m_controls = controls; }
    const RunControls& controls() const { return m_controls; }

    // The autopilot's course and the demanded rate of turn (the steering controls).
    void setAutopilotCourse(double degrees) { m_ship.AutoPilot_Dir = degrees; }
    void setDemandedRate(double degreesPerSecond) { m_ship.Demand_ROT = degreesPerSecond; }

    // The run control's two buttons: Run/Pause (starting from Stopped takes the start position;
    // resume keeps it; both make the next step a first step) and Stop (speed, rate of turn and
    // the last step cleared).
    void runOrPause();
    void stop();

    // One tick: nothing unless Running; while a voyage plays, sends its next fix; otherwise
    // moves the ship, shows the readouts, composes, records and sends the sentence.
    void tick();

    State state() const { return m_state; }
    bool Running() const { return m_state == State::Running; }
    // True when no step happened since the last Run, resume or Stop (Last_Tick is 0).
    bool firstStepDue() const { return !m_lastTick.has_value(); }

    const ShipState& ship() const { return m_ship; }
    VoyageLog& voyage() { return m_voyage; }
    const VoyageLog& voyage() const { return m_voyage; }

    // Time and date fields in UTC instead of local time, from the next sentence on.
    void setUtc(bool utc) { m_utc = utc; }
    bool utc() const { return m_utc; }

    // How a playing voyage is paced; by default one fix a tick (VoyageLog::playNext).
    void setPlaybackPacer(PlaybackPacer pacer) { m_pacer = std::move(pacer); }

private:
    void playVoyage();
    void simulate();

    Clock& m_clock;
    RandomSource& m_random;
    SentenceSink& m_sink;
    RunView m_noView;
    RunView* m_view = &m_noView;

    RunControls m_controls;
    State m_state = State::Stopped;
    // Monotonic time of the previous step; empty when the next step is a first step.
    std::optional<std::chrono::milliseconds> m_lastTick;
    ShipState m_ship;
    VoyageLog m_voyage;
    bool m_utc = false;
    PlaybackPacer m_pacer;
};

}  // namespace pelora
