#include "app/headless.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "app/real_services.h"
#include "app/run_options.h"
#include "config/autoconfig.h"
#include "dialogs/about_text.h"
#include "files/voyage_file.h"
#include "platform/exit_signals.h"
#include "platform/wall_clock_ticker.h"
#include "platform/atomic_file.h"
#include "platform/disk_file_source.h"
#include "platform/system_clock.h"
#include "run/control_overrides.h"
#include "run/scenario_run.h"
#include "run/stored_controls.h"
#include "scenario/gpx.h"
#include "scenario/scenario_parser.h"
#include "sim/voyage_pacing.h"
#include "text/number_text.h"

namespace pelora {

namespace {

using namespace std::chrono_literals;

// The exit status for a file given on the command line that does not read cleanly.
constexpr int kBadInput = 2;

// How long the end waits for queued bytes to reach the serial line and the TCP clients.
constexpr auto kDrainTime = 100ms;
// The longest single wait of the --duration timer (Qt's timers take at most 24 days).
constexpr std::chrono::milliseconds kLongestWait = 1h;

void say(const std::string& text) {
    std::fprintf(stderr, "pelora: %s\n", text.c_str());
    std::fflush(stderr);
}

// What the simulation tells without a window: the serial port's openings and failures, its loss
// once, and the outputs' problems, on stderr.
class HeadlessView final : public SimulationView {
public:
    void showPortEvent(const PortEvent& event) override {
        switch (event.kind) {
        case PortEvent::Kind::Opened:
        case PortEvent::Kind::NotAvailable:
            say(portStatusText(event));
            if (const std::string why = portToolTip(event); !why.empty()) say(why);
            return;
        case PortEvent::Kind::Lost:
            say("the serial port was lost (" + portToolTip(event) + "); sentences go on to the other outputs");
            m_failedDuringRun = m_failedDuringRun || m_serialNamed;
            return;
        case PortEvent::Kind::NoPorts:
            say(event.message);
            return;
        default:
            return;
        }
    }
    void showBudget(const std::string& note) override {
        if (!note.empty()) say(note);
    }
    void showOutputChange(const std::string& endpoint, const std::string& problem) override {
        if (problem.empty()) return;
        say(problem);
        if (m_simulation == nullptr || m_named.count(endpoint) == 0) return;
        const std::optional<OutputState> state = m_simulation->stateOf(endpoint);
        if (state && (!state->running || !state->problem.empty())) {
            m_failedDuringRun = true;
            // Nobody reads standard output any more (a pipe's reader ended): the run is over.
            if (endpoint == kStandardOutput && m_readerGone) m_readerGone();
        }
    }

    // The outputs the user named, whose failure during the run fails the run.
    void watch(const Simulation& simulation, std::set<std::string> named, bool serialNamed,
               std::function<void()> readerGone) {
        m_simulation = &simulation;
        m_named = std::move(named);
        m_serialNamed = serialNamed;
        m_readerGone = std::move(readerGone);
    }
    // An output the user named failed while the run went on.
    bool failedDuringRun() const { return m_failedDuringRun; }

private:
    bool m_serialNamed = false;
    std::function<void()> m_readerGone;
    const Simulation* m_simulation = nullptr;
    std::set<std::string> m_named;
    bool m_failedDuringRun = false;
};

// The configuration store's messages go to stderr; nothing is ever asked.
class StderrConfigDialogs final : public ConfigDialogs {
public:
    DialogAnswer askYesNoCancel(const std::string&, const std::string&) override { return DialogAnswer::No; }
    void showMessage(const std::string& text, const std::string&) override { say(text); }
};

// The beat for --speedup: a precise repeating timer at another pace than once a second.
class PacedTicker final : public Ticker {
public:
    explicit PacedTicker(std::chrono::microseconds interval) {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(interval));
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_onTick) m_onTick();
        });
    }
    void start(std::function<void()> onTick) override {
        m_onTick = std::move(onTick);
        m_timer.start();
    }
    void stop() override {
        m_timer.stop();
        m_onTick = nullptr;
    }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_onTick;
};

// Ends the run once `seconds` of real time have passed, in waits Qt's timers can take.
class Deadline {
public:
    Deadline(double seconds, std::function<void()> onEnd)
        : m_total(static_cast<qint64>(seconds * 1000.0)), m_onEnd(std::move(onEnd)) {
        m_clock.start();
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { arm(); });
        arm();
    }

private:
    void arm() {
        const qint64 left = m_total - m_clock.elapsed();
        if (left <= 0) {
            m_onEnd();
            return;
        }
        m_timer.start(std::chrono::milliseconds(std::min<qint64>(left, kLongestWait.count())));
    }

    qint64 m_total;
    std::function<void()> m_onEnd;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

// The lines one playback tick sends: the next fix, or with `groups` the next lines that share
// one time field (the group that starts at the next fix).
std::vector<std::string> nextLines(VoyageLog& voyage, const std::vector<LineGroup>* groups) {
    std::size_t count = voyage.playIndex() < voyage.fixCount() ? 1 : 0;
    if (groups != nullptr) {
        for (const LineGroup& group : *groups) {
            if (group.first == voyage.playIndex()) {
                count = group.count;
                break;
            }
        }
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back(voyage.playNext().sentence);
    }
    return lines;
}

// "RMC sentences to /dev/ttyUSB0 (COM 5, 4800,N,8,1), tcp://127.0.0.1:10110, ..." for the start line.
std::string describeOutputs(const std::string& what, const Simulation& simulation) {
    std::string text = what + " to ";
    bool first = true;
    for (const auto& [endpoint, state] : simulation.outputStates()) {
        if (first) {
            text += state.running ? state.where : "no serial port";
            first = false;
        } else if (state.running) {
            text += ", " + endpoint;
        }
    }
    return text;
}

// The outputs the settings file turns on, for the start line; "" when none.
std::string storedOutputsOn(const OutputSettings& stored) {
    std::string text;
    const auto add = [&text](bool on, const std::string& name) {
        if (on) text += (text.empty() ? "" : ", ") + name;
    };
    add(stored.tcp, "TCP server");
    add(stored.udp, "UDP");
    add(stored.pty, "virtual serial port");
    add(!stored.endpoints.empty(), "further outputs");
    return text;
}

}  // namespace

int runHeadless(const CommandLine& line, const std::string& applicationName) {
    // A scenario is read whole before anything runs; a file that does not read cleanly runs
    // nothing.
    const DiskFileSource files;
    std::optional<Scenario> scenario;
    if (line.scenarioFile) {
        ScenarioRead read = readScenarioFile(*line.scenarioFile, files);
        if (!read.scenario) {
            for (const SourceError& error : read.errors) say(error.text());
            say("the scenario was not run");
            return kBadInput;
        }
        scenario = std::move(read.scenario);
    }
    std::optional<Route> route;
    if (line.routeFile) {
        GpxRead read = readGpxFile(*line.routeFile, files);
        if (!read.route) {
            say(read.error.text());
            return kBadInput;
        }
        route = std::move(read.route);
    }

    int status = 0;
    bool ending = false;
    const auto end = [&status, &ending](int code) {
        if (!ending) {
            ending = true;
            status = code;
            QCoreApplication::exit(code);
        }
    };
    bool interrupted = false;  // a signal asked the run to end
    ExitSignals exitSignals([&end, &interrupted](int) {
        interrupted = true;
        end(0);
    });

    RealServices::Options options;
    options.applicationName = applicationName;
    options.randomSeed = line.seed.value_or(ProgramRandom::kStartState);
    options.deviceForCom1 = line.device ? QString::fromStdString(*line.device) : QString();
    RealServices services(options);
    Simulation& simulation = services.simulation();
    HeadlessView view;
    simulation.setView(&view);

    // The stored control values, restored as the window restores them (none with --defaults),
    // with the command line's on top.
    StoredControls controls;
    StderrConfigDialogs configDialogs;
    AutoConfig store(services.settings(), configDialogs, applicationName, std::string(kAppTitle), [] {});
    if (!line.defaults) {
        store.attach_form(controls, true);
    }
    SteeringMode steering = SteeringMode::RateOfTurn;
    OverrideHooks hooks;
    hooks.autopilot = [&steering] { steering = SteeringMode::Autopilot; };
    hooks.steering = [&steering] { steering = SteeringMode::RateOfTurn; };
    const ControlOverrides overrides = line.controlOverrides();
    applyControlOverrides(controls, overrides, simulation.cycle(), hooks);
    // Nothing saves a headless run's voyage; its track only with --record-gpx.
    simulation.cycle().keepRecords(false, line.gpxFile.has_value());
    const auto handControls = [&] { simulation.cycle().setControls(readRunControls(controls, steering)); };
    handControls();

    for (const std::string& value : simulation.startReceiver([&line](const ReceiverChoices& stored) {
             return line.receiverOver(stored);
         })) {
        if (!line.defaults) say(unusableSetting(value).message());
    }

    // Time: a scenario's simulated clock, or one from --start (or now) when the run is not in
    // real time; then the scenario's start, route and timeline.
    std::unique_ptr<ScenarioRun> scenarioRun;
    if (scenario) {
        scenarioRun = std::make_unique<ScenarioRun>(simulation, controls, hooks, handControls, std::move(*scenario));
        scenarioRun->start();
    } else if (line.simulatedTime() && !line.startUtc) {
        simulation.useSimulatedClock(SystemClock().utcNow());
    }
    if (route) {
        simulation.cycle().followRoute(RouteFollower(std::move(*route)));
    }
    applyRunOptions(simulation, line,
                    scenarioRun ? scenarioRun->scenario().start.seed : ProgramRandom::kStartState, say);

    // Outputs: the stored ones (a problem is told), then those named on the command line (a
    // problem ends the run: a CI job must not pass on an empty feed).
    const std::vector<Failure> problems = simulation.startOutputs([&line](const OutputSettings& stored) {
        OutputSettings run = line.outputsOver(stored);
        return run;
    });
    for (const Failure& problem : problems) {
        say(problem.message());
    }
    if ((line.tcpPort && !simulation.outputState(OutputRole::Tcp).running) ||
        (line.udpPort && !simulation.outputState(OutputRole::Udp).running) ||
        (line.pty && !simulation.outputState(OutputRole::Pty).running)) {
        say("an output given on the command line could not start; the run ends");
        return 1;
    }
    for (const std::string& endpoint : line.outputs) {
        if (const std::optional<Failure> problem = simulation.addRunOutput(endpoint)) {
            say(problem->message());
            say("an output given on the command line could not start; the run ends");
            return 1;
        }
    }

    // The serial port: a device, a COM port, or the stored port list entry.
    const int port = line.device ? 1 : controls.selectedPort();
    if (port > 0) {
        simulation.ports().chooseBaud(line.baudIndex.value_or(PortManager::kStartBaudIndex), port - 1);
        if (!simulation.ports().isOpen() && (line.device || line.controls.port)) {
            say("the serial port given on the command line could not be opened; the run ends");
            return 1;
        }
    }

    std::vector<std::string> playLines;
    std::vector<LineGroup> playGroups;
    std::string playName;
    if (line.playFile) {
        Result<std::vector<std::string>> loaded = loadVoyageFile(*line.playFile);
        if (!loaded) {
            say(loaded.failure().message());
            return 1;
        }
        const std::string title = file_title(*line.playFile, false, false);
        playName = title.empty() ? std::string("voyage") : title;
        playLines = std::move(*loaded);
        if (line.paceLog) {
            playGroups = groupByTime(playLines);
        }
        simulation.cycle().voyage().replace(playLines, playName);
        simulation.cycle().setPlaybackPacer([&](VoyageLog& voyage, std::string& caption) {
            caption.clear();
            if (voyage.playIndex() >= voyage.fixCount() && line.loop) {
                voyage.replace(playLines, playName);
            }
            std::vector<std::string> group = nextLines(voyage, line.paceLog ? &playGroups : nullptr);
            if (voyage.playIndex() >= voyage.fixCount() && !line.loop) {
                // The last line goes out with this tick; then the run ends.
                end(0);
            }
            return group;
        });
    }

    std::set<std::string> named(line.outputs.begin(), line.outputs.end());
    for (const auto& [endpoint, state] : simulation.outputStates()) {
        if ((line.tcpPort && endpoint.rfind("tcp://", 0) == 0) || (line.udpPort && endpoint.rfind("udp://", 0) == 0) ||
            (line.pty && endpoint.rfind("pty:", 0) == 0)) {
            named.insert(endpoint);
        }
    }
    view.watch(simulation, std::move(named), line.device || line.controls.port, [&end] { end(1); });

    // The run ends after --count ticks, after --duration (of simulated time when time is
    // simulated), or at the scenario's end.
    const auto durationTicks = line.durationSeconds && line.simulatedTime()
                                   ? std::optional<std::uint64_t>(static_cast<std::uint64_t>(std::ceil(*line.durationSeconds)))
                                   : std::nullopt;
    simulation.addTickListener([&] {
        const std::uint64_t ticks = simulation.runningTicks();
        if ((line.count && ticks >= *line.count) || (durationTicks && ticks >= *durationTicks) ||
            (scenarioRun && scenarioRun->ended())) {
            end(0);
        }
    });

    std::unique_ptr<Ticker> ticker;
    if (line.speedup == 1.0 && !line.fast) {
        ticker = std::make_unique<WallClockTicker>();
    } else if (!line.fast) {
        ticker = std::make_unique<PacedTicker>(std::chrono::microseconds(static_cast<long long>(1e6 / line.speedup)));
    }
    std::optional<Deadline> deadline;
    if (line.durationSeconds && !line.simulatedTime()) {
        deadline.emplace(*line.durationSeconds, [&end] { end(0); });
    }

    if (!line.quiet) {
        const RunControls& controlsRead = simulation.cycle().controls();
        const std::string what = line.playFile ? "the lines of " + *line.playFile
                                 : !simulation.cycle().singleSentence()
                                     ? "the bursts of a " + simulation.receiverChoices().profile + " receiver"
                                 : controlsRead.sentence != nullptr
                                     ? std::string(controlsRead.sentence->name) + " sentences"
                                     : "empty sentences";
        const std::string pace = line.fast                 ? ", as fast as they can be made"
                                 : line.speedup == 1.0 ? ", once a second"
                                                       : ", " + shortestNumberText(line.speedup) + " times a second";
        std::string start = describeOutputs(what, simulation) + pace;
        if (SimulatedClock* clock = simulation.simulatedClock()) {
            start += "; simulated time from " + isoUtcText(clock->utcNow());
        }
        if (!line.defaults) {
            if (const std::string stored = storedOutputsOn(simulation.storedOutputSettings()); !stored.empty()) {
                start += "; on from the settings file: " + stored + " (--defaults leaves them off)";
            }
        }
        say(start);
    }

    simulation.cycle().runOrPause();
    if (ticker) {
        ticker->start([&simulation, &ending] {
            if (!ending) simulation.tick();
        });
        QCoreApplication::exec();
        ticker->stop();
    } else {
        // As fast as possible: the ticks follow each other, the event loop let in now and then so
        // that the outputs take clients and signals are heard.
        // A reader slower than the run (a pipe) holds the run back rather than losing lines.
        constexpr std::uint64_t kTicksBetweenEvents = 256;
        constexpr std::size_t kMostBacklogBytes = 1 << 20;
        simulation.keepOutputBacklogs(true);
        for (std::uint64_t n = 1; !ending; ++n) {
            simulation.tick();
            if (n % kTicksBetweenEvents == 0) QCoreApplication::processEvents();
            while (!ending && simulation.outputBacklog() > kMostBacklogBytes) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
        }
        // Every line made reaches its reader, unless a signal ends the run first.
        while (!interrupted && simulation.outputBacklog() > 0) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    // What was sent last reaches its consumers before the port and the outputs close.
    // The loop waits for the outputs' events rather than spinning.
    QEventLoop drain;
    QTimer::singleShot(kDrainTime, &drain, &QEventLoop::quit);
    drain.exec();
    simulation.stopOutputs();
    simulation.setView(nullptr);
    if (const std::string counts = simulation.cycle().faults().countsText(); !counts.empty()) {
        say("faults injected: " + counts);
    }
    if (line.gpxFile) {
        const std::string name = file_title(*line.gpxFile, false, false);
        const std::string gpx = trackGpx(name.empty() ? "Pelora" : name, simulation.cycle().track());
        if (const std::error_code error = writeFileAtomically(*line.gpxFile, gpx)) {
            say(systemFailure("The track could not be written to " + *line.gpxFile, error.value()).message());
            status = 1;
        }
    }
    if (view.failedDuringRun()) {
        say("an output failed during the run");
        status = 1;
    }
    return status;
}

}  // namespace pelora
