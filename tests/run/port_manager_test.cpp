#include "run/port_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/memory_settings_store.h"
#include "support/core_fakes.h"
#include "support/fake_port_view.h"
#include "support/fake_serial_control.h"

namespace pelora {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakePortView;
using testing::FakeSerialControl;

// The serial port as the simulation holds it: its events go to the view, and the lines the
// simulation sends go to it first.
class PortManagerTest : public ::testing::Test {
protected:
    PortManagerTest() { simulation.setView(&view); }

    testing::FakeClock clock;
    testing::FixedRandom random;
    FakeSerialControl control;
    testing::FakeOutputMaker outputs;
    MemorySettingsStore settings;
    Simulation simulation{SimulationServices{clock, random, control, outputs, settings, "pelora", "/tmp/link"}};
    PortManager& manager = simulation.ports();
    FakePortView view;
};

TEST_F(PortManagerTest, ProbeFillsTheListAndOpensTheFirstPortThatWorks) {
    control.available = {3, 7};
    manager.probe();

    ASSERT_EQ(view.entries.size(), 16u);
    EXPECT_EQ(view.entries.front(), "COM 1");
    EXPECT_EQ(view.entries[9], "COM 10");
    EXPECT_EQ(view.entries.back(), "COM 16");
    EXPECT_THAT(view.checkMarks(), ElementsAre(false, false, true, false, false, false, false, false));

    EXPECT_THAT(view.statusHistory,
                ElementsAre("Port:  1: Not Available", "Port:  2: Not Available", "Port:  3: OK"));
    EXPECT_TRUE(control.PortOpen());
    EXPECT_EQ(control.CommPort(), 3);
    EXPECT_EQ(control.Settings(), "4800,N,8,1");
    EXPECT_EQ(view.baudText, "4800,N,8,1");
    EXPECT_THAT(view.messages, IsEmpty());
}

TEST_F(PortManagerTest, ProbeWithNoPortShowsTheMessageThenTheStatus) {
    manager.probe();

    EXPECT_EQ(view.statusHistory.size(), 17u);
    EXPECT_EQ(view.statusHistory[15], "Port:  16: Not Available");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              "No hardware serial ports are available.\r\n"
              "You should connect a 'USB to Serial Port Converter' into an unused USB socket.");
    ASSERT_GE(view.events.size(), 2u);
    EXPECT_EQ(view.events[view.events.size() - 2], "message");
    EXPECT_EQ(view.events.back(), "status No serial ports are available.");
    EXPECT_FALSE(control.PortOpen());
    EXPECT_EQ(view.baudText, "(unset)");
}

TEST_F(PortManagerTest, ProbeNamesTheDevicesRefusedForPermissionAndTheCure) {
    const Failure usb{"/dev/ttyUSB0", "Permission denied", EACCES};
    control.refusals = {{1, {"/dev/ttyS0", "no UART behind this port", 0}},
                        {5, usb},
                        {6, usb},  // two entries of the port map for one device
                        {13, {"/dev/ttyACM0", "Permission denied", EACCES}}};
    manager.probe();

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              "No hardware serial ports are available.\r\n"
              "You should connect a 'USB to Serial Port Converter' into an unused USB socket.\r\n"
              "Permission denied for /dev/ttyUSB0, /dev/ttyACM0: join the 'dialout' group "
              "(sudo usermod -aG dialout $USER), then log in again.");
    EXPECT_EQ(view.status(), "No serial ports are available.");
}

struct RefusalRow {
    const char* name;
    Failure failure;
    const char* toolTip;
};

class PortManagerRefusalTest : public PortManagerTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(PortManagerRefusalTest, StatusToolTipSaysWhyUntilAPortOpens) {
    control.available = {1};
    control.refusals = {{2, GetParam().failure}};

    manager.open(2);
    EXPECT_EQ(view.status(), "Port:  2: Not Available");
    EXPECT_EQ(view.toolTip, GetParam().toolTip);

    manager.open(1);
    EXPECT_EQ(view.status(), "Port:  1: OK");
    EXPECT_EQ(view.toolTip, "");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, PortManagerRefusalTest,
    ::testing::Values(
        RefusalRow{"NoUart", {"/dev/ttyS0", "no UART behind this port", 0}, "/dev/ttyS0: no UART behind this port"},
        RefusalRow{"Permission",
                   {"/dev/ttyUSB0", "Permission denied", EACCES},
                   "/dev/ttyUSB0: Permission denied: join the 'dialout' group (sudo usermod -aG dialout $USER), "
                   "then log in again."},
        RefusalRow{"NoDevice", {"", "No device for port 2", 0}, "No device for port 2"}),
    [](const ::testing::TestParamInfo<RefusalRow>& info) { return std::string(info.param.name); });

TEST_F(PortManagerTest, FailedOpenClosesThePortAndKeepsTheBaudLabel) {
    control.available = {2};
    manager.open(2);
    ASSERT_EQ(view.baudText, "4800,N,8,1");
    control.log.clear();

    manager.open(5);

    EXPECT_EQ(view.status(), "Port:  5: Not Available");
    EXPECT_FALSE(control.PortOpen());
    EXPECT_THAT(control.log, ElementsAre("close", "open 5 fails"));
    EXPECT_EQ(view.baudText, "4800,N,8,1");
}

TEST_F(PortManagerTest, SelectionOpensThePortAtListPositionPlusOne) {
    control.available = {1, 12};
    manager.select(11);
    EXPECT_EQ(view.status(), "Port:  12: OK");
    EXPECT_EQ(control.CommPort(), 12);

    // No selection tries port 0, which closes the open port and fails.
    manager.select(-1);
    EXPECT_EQ(view.status(), "Port:  0: Not Available");
    EXPECT_FALSE(control.PortOpen());
}

TEST_F(PortManagerTest, ReselectingTheOpenPortClosesAndReopensIt) {
    control.available = {4};
    manager.select(3);
    control.log.clear();

    manager.select(3);

    EXPECT_THAT(control.log, ElementsAre("close", "open 4 ok"));
    EXPECT_EQ(view.status(), "Port:  4: OK");
}

TEST_F(PortManagerTest, BaudChoiceMovesTheCheckMarkAndReopensAtTheNewRate) {
    control.available = {1};
    manager.probe();
    control.log.clear();

    manager.chooseBaud(4, 0);

    EXPECT_THAT(view.checkMarks(), ElementsAre(false, false, false, false, true, false, false, false));
    EXPECT_THAT(control.log, ElementsAre("close", "open 1 ok"));
    EXPECT_EQ(control.Settings(), "19200,N,8,1");
    EXPECT_EQ(view.baudText, "19200,N,8,1");
    EXPECT_EQ(view.status(), "Port:  1: OK");
    EXPECT_EQ(manager.settingsText(), "19200,N,8,1");
}

TEST_F(PortManagerTest, BaudChoiceWithoutSelectionReopensTheProbedPortAtTheNewRate) {
    control.available = {3};
    manager.probe();
    control.log.clear();

    manager.chooseBaud(0, -1);

    EXPECT_TRUE(manager.baudChecked(0));
    EXPECT_FALSE(manager.baudChecked(2));
    EXPECT_THAT(control.log, ElementsAre("close", "open 3 ok"));
    EXPECT_EQ(view.status(), "Port:  3: OK");
    EXPECT_EQ(view.baudText, "1200,N,8,1");

    // With no port open either (the probed one was lost), port 0 is tried as before.
    control.loseDevice();
    manager.chooseBaud(1, -1);
    EXPECT_EQ(view.status(), "Port:  0: Not Available");
    EXPECT_FALSE(control.PortOpen());
    EXPECT_EQ(view.baudText, "1200,N,8,1");
}

TEST_F(PortManagerTest, TickWritesTheSentenceWithLineEndOnlyWhenOpen) {
    simulation.send("$GPGLL,5430.0000,N,00115.0000,W,123456,A");
    EXPECT_EQ(view.status(), "$GPGLL,5430.0000,N,00115.0000,W,123456,A: Not Connected.");
    EXPECT_EQ(control.written, "");

    control.available = {1};
    manager.open(1);
    simulation.send("$GPGLL,5430.0000,N,00115.0000,W,123457,A");
    simulation.send("$GPGLL,5430.0001,N,00115.0000,W,123458,A");

    EXPECT_EQ(view.status(), "$GPGLL,5430.0001,N,00115.0000,W,123458,A");
    EXPECT_EQ(control.written,
              "$GPGLL,5430.0000,N,00115.0000,W,123457,A\r\n$GPGLL,5430.0001,N,00115.0000,W,123458,A\r\n");
}

TEST_F(PortManagerTest, FailedWriteCountsThePortAsClosedAndTheRunGoesOn) {
    control.available = {1};
    manager.open(1);
    control.outputFails = true;

    simulation.send("$GPGLL,A");
    EXPECT_EQ(view.status(), "$GPGLL,A: Not Connected.");
    EXPECT_FALSE(control.PortOpen());

    control.outputFails = false;
    simulation.send("$GPGLL,B");
    EXPECT_EQ(view.status(), "$GPGLL,B: Not Connected.");
    EXPECT_EQ(control.written, "");

    // Choosing the port again brings the output back.
    manager.select(0);
    simulation.send("$GPGLL,C");
    EXPECT_EQ(view.status(), "$GPGLL,C");
    EXPECT_EQ(control.written, "$GPGLL,C\r\n");
}

TEST_F(PortManagerTest, LostDeviceShowsNotConnectedUntilItIsBackAndChosenAgain) {
    control.available = {6};
    manager.select(5);
    control.loseDevice();

    simulation.send("$GPRMC,X*00");
    EXPECT_EQ(view.status(), "$GPRMC,X*00: Not Connected.");

    manager.select(5);
    EXPECT_EQ(view.status(), "Port:  6: Not Available");

    control.available.insert(6);
    manager.select(5);
    EXPECT_EQ(view.status(), "Port:  6: OK");
    simulation.send("$GPRMC,Y*00");
    EXPECT_EQ(control.written, "$GPRMC,Y*00\r\n");
}

}  // namespace
}  // namespace pelora
