#include "app/headless.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include "config/autoconfig.h"
#include "config/output_settings.h"
#include "run/port_manager.h"
#include "platform/device_map.h"
#include "platform/exit_signals.h"
#include "outputs/output_hub.h"
#include "platform/qt_serial_control.h"
#include "platform/qt_settings_store.h"
#include "platform/system_clock.h"
#include "files/voyage_file.h"
#include "files/voyage_recorder.h"
#include "platform/wall_clock_ticker.h"
#include "run/run_cycle.h"
#include "run/stored_controls.h"
#include "sim/random_source.h"
#include "sim/voyage_pacing.h"
#include "text/number_text.h"
#include "dialogs/about_text.h"

namespace pelora {

namespace {

using namespace std::chrono_literals;

// How long the end waits for queued bytes to reach the serial line and the TCP clients.
constexpr auto kDrainTime = 100ms;

void say(const std::string& text) {
    std::fprintf(stderr, "pelora: %s\n", text.c_str());
    std::fflush(stderr);
}

// Port messages go to stderr: the result of each opening, and the port's loss once.
class HeadlessPortView final : public PortView {
public:
    void setStatusText(const std::string& text) override {
        if (text.rfind("Port: ", 0) == 0) {
            say(text);
            m_connected = text.size() >= 4 && text.compare(text.size() - 4, 4, ": OK") == 0;
            return;
        }
        if (m_connected && text.size() >= 16 && text.compare(text.size() - 16, 16, ": Not Connected.") == 0) {
            m_connected = false;
            say("the serial port was lost; sentences go on to the other outputs");
        }
    }
    void setStatusToolTip(const std::string& text) override {
        if (!text.empty()) say(text);
    }
    void setBaudRateText(const std::string&) override {}
    void setPortEntries(const std::vector<std::string>&) override {}
    void setBaudChecked(int, bool) override {}
    void showNoPortsMessage(const std::string& text) override { say(text); }

private:
    bool m_connected = false;
};

// The configuration store's messages go to stderr; nothing is ever asked.
class StderrConfigDialogs final : public ConfigDialogs {
public:
    DialogAnswer askYesNoCancel(const std::string&, const std::string&) override { return DialogAnswer::No; }
    void showMessage(const std::string& text, const std::string&) override { say(text); }
};

// What a tick reads and shows without a window: the stored controls.
class HeadlessPanel final : public RunPanel {
public:
    explicit HeadlessPanel(StoredControls& controls) : m_controls(controls) {}

    RunControls controls() const override { return m_controls.runControls(); }
    std::string startLatitude() const override { return m_controls.latitude(); }
    std::string startLongitude() const override { return m_controls.longitude(); }
    void showCourse(const std::string& text) override { m_controls.setText("txt_DIR", text); }
    void showReadouts(const std::string&, const std::string&) override {}
    void showPlaying(const std::string&) override {}

private:
    StoredControls& m_controls;
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

// "RMC sentences to /dev/ttyUSB0 (COM 5), TCP 127.0.0.1:10110, ..." for the start line.
std::string describeOutputs(const std::string& what, const std::string& serial, const OutputStatus& status) {
    std::string text = what + " to " + (serial.empty() ? "no serial port" : serial);
    if (status.tcp.on) text += ", TCP " + status.tcp.where;
    if (status.udp.on) text += ", UDP " + status.udp.where;
    if (status.pty.on) text += ", virtual serial port " + status.pty.where;
    return text;
}

}  // namespace

int runHeadless(const CommandLine& line, const std::string& applicationName) {
    int status = 0;
    bool ending = false;
    const auto end = [&status, &ending](int code) {
        if (!ending) {
            ending = true;
            status = code;
            QCoreApplication::exit(code);
        }
    };
    ExitSignals exitSignals([&end](int) { end(0); });

    SystemClock clock;
    ProgramRandom random(line.seed.value_or(ProgramRandom::kStartState));
    QtSettingsStore settings(applicationName);
    DeviceMap deviceMap(QString::fromStdString(applicationName));
    const QString device = line.device ? QString::fromStdString(*line.device) : QString();
    QtSerialControl serial([&](int port) { return port == 1 && !device.isEmpty() ? device : deviceMap.devicePath(port); });
    HeadlessPortView portView;
    PortManager ports(serial, portView);

    // The stored control values, restored as the window restores them, with the command line's on top.
    StoredControls controls;
    StderrConfigDialogs configDialogs;
    AutoConfig store(settings, configDialogs, applicationName, std::string(kAppTitle), [] {});
    store.attach_form(controls, true);
    controls.apply(line.controls);

    OutputHub outputs;
    const OutputSettings outputSettings = line.outputsOver(loadOutputSettings(settings, applicationName));
    for (const std::string& problem : outputs.apply(outputSettings)) {
        say(problem);
    }
    outputs.setListener([](const std::string& problem) {
        if (!problem.empty()) say(problem);
    });

    HeadlessPanel panel(controls);
    RunCycle cycle(clock, random, ports, outputs, panel);
    cycle.setUtc(outputSettings.utc);
    if (controls.autopilot()) {
        cycle.ship().AutoPilot_Dir = number_from_text(controls.runControls().course);
    }
    if (controls.steering()) {
        cycle.ship().Demand_ROT = controls.demandedRate();
    }

    // The serial port: a device, a COM port, or the stored port list entry.
    const int port = device.isEmpty() ? controls.selectedPort() : 1;
    std::string serialWhere;
    if (port > 0) {
        ports.MNU_Baud_Click(line.baudIndex.value_or(PortManager::kStartBaudIndex), port - 1);
        if (serial.PortOpen()) {
            serialWhere = serial.devicePath().toStdString() + " (COM " + std::to_string(port) + ", " +
                          serial.Settings() + ")";
        }
    }

    std::vector<std::string> playLines;
    std::vector<LineGroup> playGroups;
    std::string playName;
    std::optional<VoyageRecorder> recorder;
    if (line.recordFile) {
        recorder.emplace(*line.recordFile);
        if (const std::optional<std::string> failure = recorder->open()) {
            say(*failure);
            return 1;
        }
    }

    if (line.playFile) {
        VoyageLoadResult loaded = loadVoyageFile(*line.playFile);
        if (!loaded.ok) {
            say(loaded.error);
            return 1;
        }
        const std::string title = file_title(*line.playFile, false, false);
        playName = title.empty() ? std::string("voyage") : title;
        playLines = std::move(loaded.lines);
        if (line.paceLog) {
            playGroups = groupByTime(playLines);
        }
        cycle.voyage().replace(playLines, playName);
        cycle.setPlaybackPacer([&](VoyageLog& voyage, std::string& caption) {
            caption.clear();
            if (voyage.playIndex() >= voyage.fixCount() && line.loop) {
                voyage.replace(playLines, playName);
            }
            std::vector<std::string> group = nextLines(voyage, line.paceLog ? &playGroups : nullptr);
            if (voyage.playIndex() >= voyage.fixCount() && !line.loop) {
                // The last line goes out with this tick; then the run ends.
                QTimer::singleShot(0, [&end] { end(0); });
            }
            return group;
        });
    }

    cycle.setSentListener([&](const std::string& sentence) {
        if (recorder) {
            if (const std::optional<std::string> failure = recorder->append(sentence)) say(*failure);
        }
        if (line.count && cycle.sentCount() >= *line.count) end(0);
    });

    std::unique_ptr<Ticker> ticker;
    if (line.speedup == 1.0) {
        ticker = std::make_unique<WallClockTicker>();
    } else {
        ticker = std::make_unique<PacedTicker>(std::chrono::microseconds(static_cast<long long>(1e6 / line.speedup)));
    }
    if (line.durationSeconds) {
        QTimer::singleShot(std::chrono::milliseconds(static_cast<long long>(*line.durationSeconds * 1000.0)),
                           [&end] { end(0); });
    }

    if (!line.quiet) {
        const std::vector<std::string> names{"GLL", "GGA", "RMC"};
        const int type = controls.runControls().sentenceType;
        const std::string what = line.playFile ? "the lines of " + *line.playFile
                                 : type >= 0 && type < 3 ? names[static_cast<std::size_t>(type)] + " sentences"
                                                         : "empty sentences";
        say(describeOutputs(what, serialWhere, outputs.status()) +
            (line.speedup == 1.0 ? ", once a second" : ", " + shortestNumberText(line.speedup) + " times a second"));
    }

    cycle.runOrPause();
    ticker->start([&cycle, &ending] {
        if (!ending) cycle.tick();
    });
    QCoreApplication::exec();
    ticker->stop();

    // What was sent last reaches its consumers before the port and the outputs close.
    const QDeadlineTimer deadline(kDrainTime);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    outputs.stopAll();
    if (serial.PortOpen()) {
        serial.setPortOpen(false);
    }
    return status;
}

}  // namespace pelora
