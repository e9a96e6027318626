// The run cycle without a window: what one tick sends where, and the choices the window and the
// headless runner hand it.
#include "run/run_cycle.h"

#include <gtest/gtest.h>

#include "support/core_fakes.h"
#include "support/fake_port_view.h"
#include "support/fake_serial_control.h"

namespace pelora::testing {
namespace {

using std::chrono::milliseconds;

// The controls as the window shows them after start-up.
class ValuePanel final : public RunPanel {
public:
    RunControls controls() const override { return values; }
    std::string startLatitude() const override { return "54N00.0000"; }
    std::string startLongitude() const override { return "0001E00.0000"; }
    void showCourse(const std::string& text) override { values.course = text; }
    void showReadouts(const std::string&, const std::string&) override {}
    void showPlaying(const std::string& caption) override { playing = caption; }

    RunControls values;
    std::string playing;
};

class RunCycleTest : public ::testing::Test {
protected:
    RunCycleTest() {
        serial.available = {1};
        ports.probe();
        cycle.setSentListener([this](const std::string& sentence) { heard.push_back(sentence); });
        cycle.runOrPause();
    }
    void tick() {
        clock.advance(milliseconds(1000));
        cycle.tick();
    }

    FakeClock clock;
    FixedRandom random;
    FakeSerialControl serial;
    FakePortView view;
    PortManager ports{serial, view};
    FakeOutputs outputs;
    ValuePanel panel;
    RunCycle cycle{clock, random, ports, outputs, panel};
    std::vector<std::string> heard;
};

TEST_F(RunCycleTest, EachSentenceGoesWithItsLineEndToTheSerialPortAndEveryOtherOutput) {
    tick();
    tick();
    const std::vector<std::string> fixes(cycle.voyage().fixes().begin(), cycle.voyage().fixes().end());
    ASSERT_EQ(fixes.size(), 2u);
    EXPECT_EQ(serial.written, fixes[0] + "\r\n" + fixes[1] + "\r\n");
    EXPECT_EQ(outputs.lines, std::vector<std::string>({fixes[0] + "\r\n", fixes[1] + "\r\n"}));
    EXPECT_EQ(heard, fixes);
    EXPECT_EQ(cycle.sentCount(), 2u);
}

TEST_F(RunCycleTest, UtcTimeFieldsComeFromTheUtcReading) {
    tick();
    cycle.setUtc(true);
    tick();
    EXPECT_NE(cycle.voyage().fixes()[0].find(",123456,"), std::string::npos) << cycle.voyage().fixes()[0];
    EXPECT_NE(cycle.voyage().fixes()[1].find(",103456,"), std::string::npos) << cycle.voyage().fixes()[1];
}

TEST_F(RunCycleTest, APacerSendsItsGroupOfVoyageLinesInOneTickWithoutRecordingThem) {
    cycle.voyage().replace({"$A", "$B", "$C"}, "log");
    cycle.setPlaybackPacer([](VoyageLog& voyage, std::string& caption) {
        caption = "group";
        std::vector<std::string> lines;
        for (int i = 0; i < 2 && voyage.playIndex() < voyage.fixCount(); ++i) {
            lines.push_back(voyage.playNext().sentence);
        }
        return lines;
    });
    tick();
    EXPECT_EQ(outputs.lines, std::vector<std::string>({"$A\r\n", "$B\r\n"}));
    EXPECT_EQ(panel.playing, "group");
    EXPECT_EQ(cycle.voyage().fixCount(), 3u);
}

}  // namespace
}  // namespace pelora::testing
