// The simulation without a window: what one tick sends where, the outputs it keeps, and the
// choices the window and the headless runner hand it.
#include "run/simulation.h"

#include <gtest/gtest.h>

#include "config/memory_settings_store.h"
#include "support/core_fakes.h"
#include "support/fake_port_view.h"
#include "support/fake_serial_control.h"

namespace pelora::testing {
namespace {

using std::chrono::milliseconds;

// Keeps what the run cycle shows.
class RecordingView final : public SimulationView {
public:
    void showCourse(const std::string& text) override { course = text; }
    void showPlaying(const std::string& caption) override { playing = caption; }
    void showOutputChange(const std::string& endpoint, const std::string& problem) override {
        changes.push_back(endpoint + " " + problem);
    }

    std::string course;
    std::string playing;
    std::vector<std::string> changes;
};

class SimulationTest : public ::testing::Test {
protected:
    SimulationTest() {
        serial.available = {1};
        simulation.setView(&view);
        simulation.ports().probe();
        simulation.addSentListener([this](const std::string& sentence) { heard.push_back(sentence); });
    }
    void run() { simulation.cycle().runOrPause(); }
    void tick() {
        clock.advance(milliseconds(1000));
        simulation.cycle().tick();
    }
    RunCycle& cycle() { return simulation.cycle(); }

    FakeClock clock;
    FixedRandom random;
    FakeSerialControl serial;
    FakeOutputMaker outputs;
    MemorySettingsStore settings;
    Simulation simulation{SimulationServices{clock, random, serial, outputs, settings, "pelora", "/run/pelora/ttyNMEA"}};
    RecordingView view;
    std::vector<std::string> heard;
};

TEST_F(SimulationTest, EachSentenceGoesWithItsLineEndToTheSerialPortAndEveryOtherOutput) {
    OutputSettings settings;
    settings.tcp = true;
    settings.endpoints = {"file:/tmp/log.nmea"};
    EXPECT_TRUE(simulation.changeOutputs(settings).empty());
    run();
    tick();
    tick();
    const std::vector<std::string> fixes(cycle().voyage().fixes().begin(), cycle().voyage().fixes().end());
    ASSERT_EQ(fixes.size(), 2u);
    EXPECT_EQ(serial.written, fixes[0] + "\r\n" + fixes[1] + "\r\n");
    for (const char* endpoint : {"tcp://127.0.0.1:10110", "file:/tmp/log.nmea"}) {
        ASSERT_NE(outputs.find(endpoint), nullptr) << endpoint;
        EXPECT_EQ(outputs.find(endpoint)->lines, std::vector<std::string>({fixes[0] + "\r\n", fixes[1] + "\r\n"}));
    }
    EXPECT_EQ(heard, fixes);
    EXPECT_EQ(simulation.sentCount(), 2u);
}

TEST_F(SimulationTest, AScenariosFixLossTakesTheFixAwayUntilItEnds) {
    ReceiverChoices marine;
    marine.profile = "Marine GPS (NMEA 2.3)";
    cycle().setReceiver(marine);
    run();
    cycle().sky().fixLost = true;
    tick();
    cycle().sky().fixLost = false;
    tick();
    std::vector<std::string> statuses;  // RMC's status field: A valid, V void
    for (const std::string& sentence : heard) {
        if (sentence.rfind("$GPRMC,", 0) == 0) statuses.push_back(sentence.substr(sentence.find(',', 7) + 1, 1));
    }
    EXPECT_EQ(statuses, std::vector<std::string>({"V", "A"}));
}

TEST_F(SimulationTest, UtcTimeFieldsComeFromTheUtcReading) {
    run();
    tick();
    cycle().setUtc(true);
    tick();
    EXPECT_NE(cycle().voyage().fixes()[0].find(",123456,"), std::string::npos) << cycle().voyage().fixes()[0];
    EXPECT_NE(cycle().voyage().fixes()[1].find(",103456,"), std::string::npos) << cycle().voyage().fixes()[1];
}

TEST_F(SimulationTest, APacerSendsItsGroupOfVoyageLinesInOneTickWithoutRecordingThem) {
    simulation.addRunOutput("udp://127.0.0.1:9000");
    cycle().voyage().replace({"$A", "$B", "$C"}, "log");
    cycle().setPlaybackPacer([](VoyageLog& voyage, std::string& caption) {
        caption = "group";
        std::vector<std::string> lines;
        for (int i = 0; i < 2 && voyage.playIndex() < voyage.fixCount(); ++i) {
            lines.push_back(voyage.playNext().sentence);
        }
        return lines;
    });
    run();
    tick();
    EXPECT_EQ(outputs.find("udp://127.0.0.1:9000")->lines, std::vector<std::string>({"$A\r\n", "$B\r\n"}));
    EXPECT_EQ(view.playing, "group");
    EXPECT_EQ(cycle().voyage().fixCount(), 3u);
}

TEST_F(SimulationTest, OutputsFollowTheChoicesAndKeepRunningWhileStillWanted) {
    OutputSettings settings;
    settings.tcp = settings.pty = true;
    EXPECT_TRUE(simulation.changeOutputs(settings).empty());
    FakeOutput* tcp = outputs.find("tcp://127.0.0.1:10110");
    ASSERT_NE(tcp, nullptr);
    ASSERT_NE(outputs.find("pty:/run/pelora/ttyNMEA"), nullptr) << "an empty link is the default link";

    // UDP on: the TCP server keeps running (its clients stay connected).
    settings.udp = true;
    simulation.changeOutputs(settings);
    EXPECT_EQ(outputs.find("tcp://127.0.0.1:10110"), tcp);
    EXPECT_EQ(tcp->starts, 1);

    // The TCP server moved: the old one stops, a new one starts; the virtual port goes off.
    settings.tcpPort = 2000;
    settings.pty = false;
    simulation.changeOutputs(settings);
    EXPECT_EQ(outputs.find("tcp://127.0.0.1:10110"), nullptr);
    EXPECT_EQ(outputs.find("pty:/run/pelora/ttyNMEA"), nullptr);
    EXPECT_EQ(outputs.running(), std::vector<std::string>({"tcp://127.0.0.1:2000", "udp://127.0.0.1:10110"}));

    // A run output stays whatever the choices say.
    EXPECT_FALSE(simulation.addRunOutput("-").has_value());
    simulation.changeOutputs(OutputSettings{});
    EXPECT_EQ(outputs.running(), std::vector<std::string>({"-"}));
}

TEST_F(SimulationTest, OutputsThatCannotStartAreToldAndTriedAgain) {
    outputs.failing["udp://127.0.0.1:10110"] = Failure{"UDP cannot send to 127.0.0.1:10110", "No route", 0};
    outputs.refused["tcp-client://nowhere:1"] = Failure{"\"tcp-client://nowhere:1\" is not an output", "bad", 0};
    OutputSettings settings;
    settings.udp = true;
    settings.endpoints = {"tcp-client://nowhere:1", "not an endpoint"};
    const std::vector<Failure> problems = simulation.changeOutputs(settings);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].message(), "UDP cannot send to 127.0.0.1:10110: No route.");
    EXPECT_EQ(simulation.outputState(OutputRole::Udp).problem, "UDP cannot send to 127.0.0.1:10110: No route.");
    EXPECT_FALSE(simulation.outputState(OutputRole::Udp).running);

    outputs.failing.clear();
    simulation.changeOutputs(settings);
    EXPECT_TRUE(simulation.outputState(OutputRole::Udp).running) << "applied again, a failed output is tried again";
}

TEST_F(SimulationTest, TheOutputsWriteInOrderOfImportanceTheSerialPortFirst) {
    OutputSettings settings;
    settings.tcp = settings.udp = settings.pty = true;
    settings.endpoints = {"file:/tmp/x"};
    simulation.changeOutputs(settings);
    std::vector<std::string> order;
    for (const auto& [endpoint, state] : simulation.outputStates()) order.push_back(endpoint.substr(0, endpoint.find(':')));
    EXPECT_EQ(order, std::vector<std::string>({"serial", "pty", "udp", "file", "tcp"}));
}

TEST_F(SimulationTest, ChoicesAreSavedAsTheUserMadeThemNotAsTheCommandLineTurnedThem) {
    simulation.startOutputs([](const OutputSettings& stored) {
        OutputSettings run = stored;
        run.tcp = true;  // --tcp: this run only
        return run;
    });
    EXPECT_TRUE(simulation.outputSettings().tcp);
    EXPECT_FALSE(simulation.storedOutputSettings().tcp);

    simulation.switchOutput(&OutputSettings::udp, true);
    const OutputSettings saved = loadOutputSettings(settings, "pelora");
    EXPECT_TRUE(saved.udp);
    EXPECT_FALSE(saved.tcp) << "the command line's choice is never saved";
}

TEST_F(SimulationTest, ASerialPortLostWhileWritingIsToldOnceAndTheRunGoesOn) {
    run();
    tick();
    serial.outputFails = true;
    tick();
    tick();
    EXPECT_FALSE(simulation.ports().isOpen());
    ASSERT_EQ(view.changes.size(), 2u) << "the probe's opening, then the loss";
    EXPECT_NE(view.changes[1].find("the port was lost"), std::string::npos) << view.changes[1];
    EXPECT_EQ(simulation.sentCount(), 3u);
}

}  // namespace
}  // namespace pelora::testing
