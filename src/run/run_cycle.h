#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "nmea/output.h"
#include "run/port_manager.h"
#include "sim/clock.h"
#include "sim/random_source.h"
#include "sim/ship_motion.h"
#include "sim/voyage.h"

namespace pelora {

// What one tick reads from the controls, as they stand.
struct RunControls {
    std::string speed = "6";              // txt_SPEED, knots
    std::string course = "000";           // txt_DIR, degrees (read on a first step)
    bool responseOn = false;              // chk_Ship_Response ticked
    std::string responseSeconds = "5";    // txt_SHIP_Response
    bool seaOn = false;                   // chk_Heavy_Sea ticked
    std::string seaMetres = "0.1";        // txt_Heavy_Sea
    bool noiseOn = false;                 // chk_GPS_Noise ticked
    std::string noiseMetres = "2";        // txt_GPS_NOISE
    std::string decimalPlaces = "4";      // txt_DPS
    bool leadingZeros = true;             // chk_NLZ ticked
    int checksumBox = 0;                  // chk_sum: 0 clear, 1 ticked, 2 greyed
    int sentenceType = 0;                 // cmb_NMEA: 0 GLL, 1 GGA, 2 RMC, -1 none
    bool autopilot = false;               // the course box's background is pure white
};

// What the run cycle reads from and shows in the user interface that drives it: the window's
// controls, or the headless runner's values.
class RunPanel {
public:
    virtual ~RunPanel() = default;

    // The controls a tick reads.
    virtual RunControls controls() const = 0;
    // The start position texts (txt_lat, txt_lon), read when the ship starts from Stopped.
    virtual std::string startLatitude() const = 0;
    virtual std::string startLongitude() const = 0;
    // The course box shows the ship's heading (rate-of-turn mode); in the window this runs the
    // box's change handler before the tick goes on.
    virtual void showCourse(const std::string& text) = 0;
    // The readouts: course over ground (LAB_COG) first, then speed over ground (LAB_SOG).
    virtual void showReadouts(const std::string& cog, const std::string& sog) = 0;
    // The playback line (LabPlaying).
    virtual void showPlaying(const std::string& caption) = 0;
};

// The run cycle without a window: the run/pause/stop states, the once-a-second tick (read the
// controls, step the ship, compose, record, send to the serial port and every other output,
// show the readouts) and the playback of a loaded voyage. The window and the headless runner
// each give it their panel and drive it from their ticker. Single-threaded: every call on the
// thread that drives it.
class RunCycle {
public:
    enum class State { Stopped, Running, Paused };

    // Sends the lines that one playback tick takes: the next fix, or a group of fixes.
    using PlaybackPacer = std::function<std::vector<std::string>(VoyageLog& voyage, std::string& caption)>;

    // Keeps references to every argument; they must outlive the cycle. Starts Stopped with an
    // empty voyage.
    RunCycle(Clock& clock, RandomSource& random, PortManager& serial, LineOutput& outputs,
             RunPanel& panel);

    // The run control's two buttons: Run/Pause (start from Stopped reads the start position;
    // resume keeps it; both make the next step a first step) and Stop (speed, rate of turn and
    // the last step cleared).
    void runOrPause();
    void stop();

    // One tick: nothing unless Running; while a voyage plays, sends its next fix; otherwise
    // moves the ship, shows the readouts, composes, records and sends the sentence.
    void tick();

    // Shows `sentence` in the status line and writes it with CR LF to the open serial port
    // (or shows it followed by ": Not Connected."), then hands it with CR LF to every other
    // output that is on.
    void send(const std::string& sentence);

    State state() const { return m_state; }
    bool Running() const { return m_state == State::Running; }
    // True when no step happened since the last Run, resume or Stop (Last_Tick is 0).
    bool firstStepDue() const { return !m_lastTick.has_value(); }

    ShipState& ship() { return m_ship; }
    const ShipState& ship() const { return m_ship; }
    VoyageLog& voyage() { return m_voyage; }
    const VoyageLog& voyage() const { return m_voyage; }

    // Time and date fields in UTC instead of local time, from the next sentence on.
    void setUtc(bool utc) { m_utc = utc; }
    bool utc() const { return m_utc; }

    // How a playing voyage is paced; by default one fix a tick (VoyageLog::playNext).
    void setPlaybackPacer(PlaybackPacer pacer) { m_pacer = std::move(pacer); }

    // Called with every sentence sent, after it went out (recording to a file, counting).
    void setSentListener(std::function<void(const std::string& sentence)> listener) {
        m_sentListener = std::move(listener);
    }
    // Sentences sent since the cycle was made.
    std::uint64_t sentCount() const { return m_sentCount; }

private:
    void playVoyage();
    void simulate();

    Clock& m_clock;
    RandomSource& m_random;
    PortManager& m_serial;
    LineOutput& m_outputs;
    RunPanel& m_panel;

    State m_state = State::Stopped;
    // Monotonic time of the previous step; empty when the next step is a first step.
    std::optional<std::chrono::milliseconds> m_lastTick;
    ShipState m_ship;
    VoyageLog m_voyage;
    bool m_utc = false;
    PlaybackPacer m_pacer;
    std::function<void(const std::string&)> m_sentListener;
    std::uint64_t m_sentCount = 0;
};

}  // namespace pelora
