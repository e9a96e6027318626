// The run control and the tick: Run, Pause, resume, Stop, and what one step reads and writes.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "platform/system_clock.h"
#include "platform/wall_clock_ticker.h"
#include "ui/value_check_box.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

using std::chrono::milliseconds;

// Distance run in one second at 6 knots, in degrees of latitude.
constexpr double kSixKnotsForOneSecond = 6.0 * 1000.0 / 216000000.0;
constexpr double kTolerance = 1e-12;

class RunCycle : public WindowTest {
protected:
    void clickRunPause() { QTest::mouseClick(child<QPushButton>("CMD_GO_0"), Qt::LeftButton); }
    void clickStop() { QTest::mouseClick(child<QPushButton>("CMD_GO_1"), Qt::LeftButton); }
    void tickAfter(milliseconds elapsed) {
        clock.advance(elapsed);
        window->Timer1_Timer();
    }
    QString statusLine() { return child<QLabel>("LAB_NMEA")->text(); }
    QImage runPauseImage() { return child<QPushButton>("CMD_GO_0")->icon().pixmap(24, 24).toImage(); }
    QImage holderImage(const char* name) { return child<QLabel>(name)->pixmap().toImage(); }
};

TEST_F(RunCycle, TicksWhileStoppedDoNothing) {
    tickAfter(milliseconds(1000));
    tickAfter(milliseconds(1000));
    EXPECT_EQ(statusLine(), "No serial ports are available.");
    EXPECT_EQ(window->Voyage_Log().size(), 1u);
}

TEST_F(RunCycle, RunPauseResumeStopRun) {
    clickRunPause();
    EXPECT_TRUE(window->Running());
    EXPECT_TRUE(child<QPushButton>("CMD_GO_1")->isEnabled());
    EXPECT_EQ(runPauseImage(), holderImage("PIC_Pause"));

    // The first step takes the position from the boxes and moves nothing.
    tickAfter(milliseconds(1000));
    EXPECT_DOUBLE_EQ(window->ship().Ship_Lat, 54.0);
    EXPECT_DOUBLE_EQ(window->ship().Ship_Lon, 1.0);
    ASSERT_EQ(window->Voyage_Log().size(), 2u);
    EXPECT_EQ(window->Voyage_Log().back(), "");
    const QString firstSentence = QString::fromStdString(window->Voyage_Log()[0]);
    EXPECT_TRUE(firstSentence.startsWith("$")) << firstSentence.toStdString();
    EXPECT_EQ(statusLine(), firstSentence + ": Not Connected.");
    EXPECT_EQ(child<QLabel>("LAB_SOG")->text(), "");

    // A full step at 6 knots due north, ship response off.
    tickAfter(milliseconds(1000));
    EXPECT_NEAR(window->ship().Ship_Lat, 54.0 + kSixKnotsForOneSecond, kTolerance);
    EXPECT_EQ(child<QLabel>("LAB_SOG")->text(), "6.0");
    EXPECT_EQ(child<QLabel>("LAB_COG")->text(), "000.0");
    const double pausedLat = window->ship().Ship_Lat;
    const std::string lastBeforePause = window->Voyage_Log()[1];
    const QString lineBeforePause = statusLine();

    clickRunPause();
    EXPECT_FALSE(window->Running());
    EXPECT_TRUE(child<QPushButton>("CMD_GO_1")->isEnabled());
    EXPECT_EQ(runPauseImage(), holderImage("PIC_RUN"));
    tickAfter(milliseconds(1000));
    EXPECT_EQ(statusLine(), lineBeforePause);
    EXPECT_EQ(window->Voyage_Log().size(), 3u);
    EXPECT_DOUBLE_EQ(window->ship().Ship_Lat, pausedLat);

    // Resuming keeps the position (the boxes are not read again) and the speed; the first tick
    // after it sends the unchanged position, however long the pause lasted.
    child<QLineEdit>("txt_lat")->setText("10N00.0000");
    clock.advance(milliseconds(5000));
    clickRunPause();
    tickAfter(milliseconds(1000));
    EXPECT_DOUBLE_EQ(window->ship().Ship_Lat, pausedLat);
    EXPECT_DOUBLE_EQ(window->ship().Ship_Speed, 6.0);
    EXPECT_EQ(window->Voyage_Log()[2], lastBeforePause);
    tickAfter(milliseconds(1000));
    EXPECT_NEAR(window->ship().Ship_Lat, pausedLat + kSixKnotsForOneSecond, kTolerance);

    clickStop();
    EXPECT_FALSE(window->Running());
    EXPECT_FALSE(child<QPushButton>("CMD_GO_1")->isEnabled());
    EXPECT_EQ(runPauseImage(), holderImage("PIC_RUN"));
    EXPECT_EQ(window->ship().Ship_Speed, 0.0);
    EXPECT_EQ(window->ship().Ship_ROT, 0.0);
    const std::size_t loggedAtStop = window->Voyage_Log().size();
    tickAfter(milliseconds(1000));
    EXPECT_EQ(window->Voyage_Log().size(), loggedAtStop);

    // A new start reads the position boxes again.
    clickRunPause();
    EXPECT_TRUE(window->firstStepDue());
    tickAfter(milliseconds(1000));
    EXPECT_DOUBLE_EQ(window->ship().Ship_Lat, 10.0);
    EXPECT_EQ(window->Voyage_Log().size(), loggedAtStop + 1);
}

TEST_F(RunCycle, TheElapsedTimeComesFromTheMonotonicClockOnly) {
    clickRunPause();
    tickAfter(milliseconds(1000));
    // The wall clock jumps back an hour; the step still covers the two monotonic seconds.
    clock.local.hour -= 1;
    tickAfter(milliseconds(2000));
    EXPECT_NEAR(window->ship().Ship_Lat, 54.0 + 2 * kSixKnotsForOneSecond, kTolerance);
}

// Options count as on only when ticked (1); a greyed box (2) is off. The checksum is the
// exception: it is asked for by anything but a clear box.
struct OptionRow {
    const char* label;
    int value;
    const char* expectedSog;   // after one full step of 1000 ms towards 6 knots from rest
    std::size_t expectedDraws; // random numbers drawn by that step
};

void PrintTo(const OptionRow& row, std::ostream* os) {
    *os << row.label;
}

class OptionValues : public RunCycle, public ::testing::WithParamInterface<OptionRow> {};

TEST_P(OptionValues, ResponseSeaAndNoiseActOnlyWhenTicked) {
    const OptionRow& row = GetParam();
    child<ValueCheckBox>("chk_Ship_Response")->setValue(row.value);
    child<ValueCheckBox>("chk_Heavy_Sea")->setValue(row.value);
    child<ValueCheckBox>("chk_GPS_Noise")->setValue(row.value);
    child<QLineEdit>("txt_Heavy_Sea")->setText("0");
    child<QLineEdit>("txt_GPS_NOISE")->setText("0");
    clickRunPause();
    tickAfter(milliseconds(1000));
    tickAfter(milliseconds(1000));
    EXPECT_EQ(child<QLabel>("LAB_SOG")->text(), row.expectedSog);
    EXPECT_EQ(random.draws, row.expectedDraws);
}

INSTANTIATE_TEST_SUITE_P(CheckBoxValues, OptionValues,
                         ::testing::Values(OptionRow{"Clear", 0, "6.0", 0}, OptionRow{"Ticked", 1, "1.1", 4},
                                           OptionRow{"Greyed", 2, "6.0", 0}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RunCycle, ChecksumFollowsTheBoxValueAndLeadingZerosOnlyWhenTicked) {
    clickRunPause();
    auto sentenceWith = [this](int checksum, int leadingZeros, int type) {
        child<ValueCheckBox>("chk_sum")->setValue(checksum);
        child<ValueCheckBox>("chk_NLZ")->setValue(leadingZeros);
        child<QComboBox>("cmb_NMEA")->setCurrentIndex(type);
        tickAfter(milliseconds(1000));
        return QString::fromStdString(window->Voyage_Log()[window->Voyage_Log().size() - 2]);
    };
    EXPECT_FALSE(sentenceWith(0, 1, 0).contains('*'));
    EXPECT_TRUE(sentenceWith(1, 1, 0).contains('*'));
    EXPECT_TRUE(sentenceWith(2, 1, 0).contains('*'));
    EXPECT_TRUE(sentenceWith(0, 1, 2).contains('*'));
    EXPECT_TRUE(sentenceWith(0, 1, 1).startsWith("$GPGGA"));

    // The ship stands still in these steps only if the speed is 0.
    child<QLineEdit>("txt_SPEED")->setText("0");
    const QString ticked = sentenceWith(0, 1, 0);
    const QString clear = sentenceWith(0, 0, 0);
    const QString greyed = sentenceWith(0, 2, 0);
    EXPECT_NE(ticked, clear);
    EXPECT_EQ(greyed, clear);
}

TEST_F(RunCycle, TheSpinnerStepsTheSpeedByOneKnotAndNotBelowZero) {
    auto* speed = child<QLineEdit>("txt_SPEED");
    auto* spinner = child<QWidget>("UpDown1");
    QTest::keyClick(spinner, Qt::Key_Up);
    EXPECT_EQ(speed->text(), "7");
    speed->setText("0.5");
    QTest::keyClick(spinner, Qt::Key_Down);
    EXPECT_EQ(speed->text(), "0");
    QTest::keyClick(spinner, Qt::Key_Down);
    EXPECT_EQ(speed->text(), "0");
    speed->setText("fast");
    QTest::keyClick(spinner, Qt::Key_Up);
    EXPECT_EQ(speed->text(), "fast");
}

TEST_F(RunCycle, ClosingIsRefusedAndHandedToTheCloseCheckOnce) {
    configDialogs.answer = DialogAnswer::No;
    window->show();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(endings, 1);
}

TEST_F(RunCycle, CommandLineValuesSetTheControlsForThisRunAndAreNeverSaved) {
    WindowStart start;
    start.controls.speed = "12";
    start.controls.course = "90";
    start.controls.sentence = "RMC";
    start.outputs = [](const OutputSettings& stored) {
        OutputSettings settings = stored;
        settings.tcp = true;
        settings.tcpPort = 2000;
        return settings;
    };
    window.reset();
    window = std::make_unique<FRM_NMEA>(simulation, services(), start);
    EXPECT_EQ(child<QLineEdit>("txt_SPEED")->text(), "12");
    EXPECT_EQ(child<QLineEdit>("txt_DIR")->text(), "90");
    EXPECT_TRUE(window->autopilotOn());
    EXPECT_EQ(outputs.running(), std::vector<std::string>{"tcp://127.0.0.1:2000"});
    EXPECT_TRUE(child<QAction>("mnuOutputTcp")->isChecked());

    window->CMD_GO_Click(0);
    tickAfter(milliseconds(1000));
    tickAfter(milliseconds(1000));
    const std::string moving = window->voyage().fixes()[1];
    EXPECT_NE(moving.find(",12.0,090.0,"), std::string::npos) << moving;
    EXPECT_GT(window->ship().Ship_Lon, 1.0);

    // Closing asks (nothing was stored yet) and Yes saves what the controls held before the
    // command line, never its values; the output choices are not saved either.
    configDialogs.answer = DialogAnswer::Yes;
    window->close();
    EXPECT_EQ(settings.entry("pelora", "FRM_NMEA", "txt_SPEED"), "6");
    EXPECT_EQ(settings.entry("pelora", "FRM_NMEA", "txt_DIR"), "000");
    EXPECT_EQ(settings.entry("pelora", "FRM_NMEA", "cmb_NMEA"), "GLL");
    EXPECT_EQ(settings.entry("pelora", "Output", "Tcp"), std::nullopt);
}

TEST_F(RunCycle, TheOutputMenuSwitchesAnOutputSavesTheChoiceAndShowsWhereItRuns) {
    outputs.onMake = [](FakeOutput& output) {
        output.where = "127.0.0.1:10110";
        output.clients = 2;
    };
    child<QAction>("mnuOutputTcp")->trigger();
    EXPECT_EQ(outputs.running(), std::vector<std::string>{"tcp://127.0.0.1:10110"});
    EXPECT_EQ(settings.entry("pelora", "Output", "Tcp"), "1");
    EXPECT_EQ(settings.entry("pelora", "Output", "TcpPort"), "10110");
    EXPECT_EQ(child<QAction>("mnuOutputTcp")->text(), "TCP Server  127.0.0.1:10110, 2 clients");

    child<QAction>("mnuOutputUtc")->trigger();
    EXPECT_EQ(settings.entry("pelora", "Output", "Utc"), "1");
    EXPECT_TRUE(errors.empty());
    outputs.failing["udp://127.0.0.1:10110"] = Failure{"UDP cannot send to 127.0.0.1:10110", "Network is unreachable", 0};
    child<QAction>("mnuOutputUdp")->trigger();
    EXPECT_EQ(errors, std::vector<std::string>{"UDP cannot send to 127.0.0.1:10110: Network is unreachable."})
        << "a problem is shown once, when it arises";
    EXPECT_EQ(child<QAction>("mnuOutputUdp")->text(), "UDP  (not running)");
    window->CMD_GO_Click(0);
    tickAfter(milliseconds(1000));
    EXPECT_NE(window->voyage().fixes()[0].find(",103456,"), std::string::npos) << "UTC time fields";
}

TEST_F(RunCycle, RealTimerSendsASentenceEverySecondOnceRunning) {
    // The real clocks and beat: the beat runs from creation, so ticks come a second apart.
    SystemClock realClock;
    ProgramRandom realRandom;
    WallClockTicker realTicker;
    serial.available.clear();
    const WindowServices fakes = services();
    Simulation realSimulation(SimulationServices{realClock, realRandom, serial, outputs, settings, "pelora", "/tmp/x"});
    FRM_NMEA window(realSimulation,
                    WindowServices{realClock, realTicker, fakes.settings, fakes.configDialogs, fakes.fileDialogs,
                                   fakes.dialogs, fakes.helpViewer, fakes.browser, fakes.programEnd,
                                   fakes.applicationName});
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>("CMD_GO_0"), Qt::LeftButton);
    QTest::qWait(2500);
    const std::size_t sent = window.Voyage_Log().size() - 1;
    EXPECT_GE(sent, 2u);
    EXPECT_LE(sent, 3u);
    EXPECT_TRUE(window.findChild<QLabel*>("LAB_NMEA")->text().endsWith(": Not Connected."));
}

}  // namespace
}  // namespace pelora::testing
