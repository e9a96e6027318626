#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/settings_store.h"
#include "config/output_settings.h"
#include "config/receiver_settings.h"
#include "nmea/serial_control.h"
#include "run/output.h"
#include "run/port_manager.h"
#include "run/run_cycle.h"
#include "scenario/simulated_clock.h"
#include "sim/clock.h"
#include "sim/random_source.h"

namespace pelora {

// What the simulation shows: the window, or the headless runner's stderr.
class SimulationView : public RunView {
public:
    // A sentence went out to every output; `serialOpen` tells whether the serial port took it.
    virtual void showSent(const std::string& /*sentence*/, bool /*serialOpen*/) {}
    // The serial port did something (see PortEvent).
    virtual void showPortEvent(const PortEvent& /*event*/) {}
    // The state of the output at `endpoint` changed; `problem` names a new failure once, ""
    // otherwise.
    virtual void showOutputChange(const std::string& /*endpoint*/, const std::string& /*problem*/) {}
};

// The outside services a simulation runs on, built once by the program's composition root (or
// by a test, with fakes).
struct SimulationServices {
    Clock& clock;                 // the sentences' time and the time between steps
    RandomSource& random;         // sea state and GPS noise
    SerialControl& serial;        // the window's serial port, over the device map
    OutputMaker& outputs;         // every other output, from its endpoint
    SettingsStore& settings;      // the [Output] choices
    std::string applicationName;  // the settings' application
    std::string defaultPtyLink;   // the virtual serial port's link when none is chosen
    std::uint64_t seed = ProgramRandom::kStartState;  // the receiver's, faults' and targets' numbers
};

// The message for a stored value that cannot be used ("Output/TcpPort=99999"): its default stands.
Failure unusableSetting(const std::string& value);

// Which of the outputs the Output menu switches.
enum class OutputRole { Tcp, Udp, Pty };

// The program's one simulation: the run cycle, the serial port management, the list of outputs
// (the serial port first) and their choices. The window and the headless runner each drive it
// from their beat and show what it tells their view. Single-threaded.
class Simulation final : public SentenceSink {
public:
    // Keeps references to the services; they must outlive the simulation. No output runs yet.
    explicit Simulation(const SimulationServices& services);
    ~Simulation() override;
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // What the simulation shows goes to `view` from now on; nullptr: nowhere. It must outlive
    // the simulation or be replaced.
    void setView(SimulationView* view);
    SimulationView* view() const { return m_view; }

    RunCycle& cycle() { return m_cycle; }
    const RunCycle& cycle() const { return m_cycle; }
    PortManager& ports() { return m_ports; }
    const PortManager& ports() const { return m_ports; }

    // One tick of the beat: the simulated clock (when there is one) moves on a second, then the
    // run cycle ticks; the tick listeners hear of it.
    void tick();
    // Called after every tick (running or not); returns nothing.
    void addTickListener(std::function<void()> listener);
    // Called before every tick, before the clock moves (a scenario's timeline).
    void addBeforeTickListener(std::function<void()> listener);
    // Ticks that ran (with the ship running) since the simulation was made.
    std::uint64_t runningTicks() const { return m_runningTicks; }

    // Sends one sentence (or played-back line) with CR LF to every output, the serial port
    // first, and tells the view and the sent listeners.
    void send(const std::string& sentence);
    // Sends `bytes` (their line end included) to every output and, when `shown`, shows
    // `sentence` in the status line.
    void sendLine(const std::string& bytes, const std::string& sentence, bool shown = true) override;

    // Called with every sentence sent, after it went out; returns nothing.
    void addSentListener(std::function<void(const std::string& sentence)> listener);
    // Sentences sent since the simulation was made.
    std::uint64_t sentCount() const { return m_sentCount; }

    // Time from a simulated clock from now on: it starts at `startUtc` and moves a second with
    // each tick (a scenario, --start, a run faster than real time), local time equal to UTC.
    void useSimulatedClock(const DateTime& startUtc);
    // The simulated clock, or nullptr while time comes from the computer's clock.
    SimulatedClock* simulatedClock() { return m_simulatedClock.get(); }

    // The baud rate of the serial line that carries the sentences: the window's serial port
    // while it is open, else a serial device of the list that runs; 0 when none does.
    int lineBaud() const;

    // Starts the ship's, the receiver's, the faults' and the targets' random numbers from `seed`.
    void setSeed(std::uint64_t seed);

    // --- Receiver choices ---
    // Reads the stored [Receiver] choices and puts this run's in: the stored ones turned by
    // `overrides` (the command line's, never saved). Returns the stored values that could not be
    // used, named ("Receiver/Mask=abc"), to be told once.
    std::vector<std::string> startReceiver(
        const std::function<ReceiverChoices(const ReceiverChoices& stored)>& overrides = {});
    // Replaces this run's choices (the Sentences dialog), saving them for later runs. Returns why
    // they could not be saved.
    std::optional<Failure> changeReceiver(const ReceiverChoices& choices);
    // Replaces this run's choices only (a scenario's profile or talker).
    void setReceiver(const ReceiverChoices& choices) { m_cycle.setReceiver(choices); }
    const ReceiverChoices& receiverChoices() const { return m_cycle.receiverChoices(); }

    // --- Output choices ---
    // Reads the stored [Output] choices and starts this run's: the stored ones turned by
    // `overrides` (the command line's), which are never saved. Returns the problems of the
    // outputs that could not start; the others run regardless.
    std::vector<Failure> startOutputs(
        const std::function<OutputSettings(const OutputSettings& stored)>& overrides = {});
    // Switches one output on or off (or UTC, through `which`), saving the choice.
    std::vector<Failure> switchOutput(bool OutputSettings::*which, bool on);
    // Replaces this run's choices (the addresses and ports dialog), saving the addresses, ports,
    // link and list of further outputs for later runs. A failure to save comes first in the
    // returned list.
    std::vector<Failure> changeOutputs(const OutputSettings& settings);
    // Adds an output for this run only (the command line's --output, --record).
    std::optional<Failure> addRunOutput(const std::string& endpoint);
    // Stops every output, the serial port included.
    void stopOutputs();

    const OutputSettings& outputSettings() const { return m_run; }
    const OutputSettings& storedOutputSettings() const { return m_stored; }
    // The state of the output the Output menu switches: where it runs (or would run) and why
    // it does not.
    OutputState outputState(OutputRole role) const;
    // Every output that runs or was asked for: its endpoint and state, the serial port first.
    std::vector<std::pair<std::string, OutputState>> outputStates() const;
    // The state of the output at `endpoint` (as the list names it), or nothing.
    std::optional<OutputState> stateOf(const std::string& endpoint) const;
    // Whether the outputs that can keep what their readers have not taken yet (a run with no
    // beat to keep: --fast); those made later are told too.
    void keepOutputBacklogs(bool keep);
    // The bytes that wait for their readers, over every output.
    std::size_t outputBacklog() const;

private:
    struct Slot;

    std::vector<Failure> apply(const OutputSettings& settings);
    std::optional<Failure> place(const std::string& endpoint, bool runOnly);
    void sortSlots();
    void outputChanged(const std::string& endpoint, const std::string& problem);
    void flushOutputs();

    SimulationServices m_services;
    PortManager m_ports;
    RunCycle m_cycle;
    SimulationView* m_view = nullptr;
    std::vector<std::unique_ptr<Slot>> m_slots;  // every output but the serial port, in write order
    OutputSettings m_stored;
    OutputSettings m_run;
    std::vector<std::function<void(const std::string&)>> m_sentListeners;
    std::vector<std::function<void()>> m_tickListeners;
    std::vector<std::function<void()>> m_beforeTickListeners;
    std::uint64_t m_sentCount = 0;
    std::uint64_t m_runningTicks = 0;
    std::unique_ptr<SimulatedClock> m_simulatedClock;
    bool m_keepBacklogs = false;
};

}  // namespace pelora
