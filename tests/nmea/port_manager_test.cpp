#include "nmea/port_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace pelora {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// An in-memory serial control: a set of ports that exist, a log of what was asked of it, and
// switches for a failing write and a device that goes away.
class FakeSerialControl : public SerialControl {
public:
    std::set<int> existing;
    std::vector<std::string> log;
    std::string written;
    bool outputFails = false;

    bool PortOpen() const override { return m_open; }

    bool setPortOpen(bool open) override {
        if (!open) {
            log.push_back("close");
            m_open = false;
            return true;
        }
        const bool ok = !m_open && existing.count(m_port) != 0;
        log.push_back("open " + std::to_string(m_port) + (ok ? " ok" : " fails"));
        m_open = ok;
        return ok;
    }

    void setCommPort(int port) override { m_port = port; }
    int CommPort() const override { return m_port; }

    bool setSettings(std::string_view settings) override {
        // Only the framing the program uses is known here; anything else is refused.
        if (settings.size() <= 6 || settings.substr(settings.size() - 6) != ",N,8,1") {
            return false;
        }
        m_settings = settings;
        return true;
    }
    std::string Settings() const override { return m_settings; }
    PortFailure lastFailure() const override { return {}; }

    bool Output(std::string_view text) override {
        if (!m_open || outputFails) {
            m_open = false;
            return false;
        }
        written += text;
        return true;
    }

    // The device of the open port disappears: the control reports the port closed.
    void loseDevice() {
        m_open = false;
        existing.erase(m_port);
    }

private:
    bool m_open = false;
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
};

// Records everything shown, in order.
class FakeView : public PortView {
public:
    std::vector<std::string> statusHistory;
    std::string toolTip;
    std::string baudText = "(unset)";
    std::vector<std::string> entries;
    std::vector<std::string> messages;
    std::vector<std::string> events;  // status texts and message boxes in the order they came
    bool checks[PortManager::kBaudCount] = {};

    void setStatusText(const std::string& text) override {
        statusHistory.push_back(text);
        events.push_back("status " + text);
    }
    void setStatusToolTip(const std::string& text) override { toolTip = text; }
    void setBaudRateText(const std::string& text) override { baudText = text; }
    void setPortEntries(const std::vector<std::string>& e) override { entries = e; }
    void setBaudChecked(int index, bool checked) override { checks[index] = checked; }
    void showNoPortsMessage(const std::string& text) override {
        messages.push_back(text);
        events.push_back("message");
    }

    std::string status() const { return statusHistory.empty() ? "" : statusHistory.back(); }
    std::vector<bool> checkMarks() const { return std::vector<bool>(std::begin(checks), std::end(checks)); }
};

class PortManagerTest : public ::testing::Test {
protected:
    FakeSerialControl control;
    FakeView view;
    PortManager manager{control, view};
};

TEST_F(PortManagerTest, ProbeFillsTheListAndOpensTheFirstPortThatWorks) {
    control.existing = {3, 7};
    manager.probe();

    ASSERT_EQ(view.entries.size(), 16u);
    EXPECT_EQ(view.entries.front(), "COM 1");
    EXPECT_EQ(view.entries[9], "COM 10");
    EXPECT_EQ(view.entries.back(), "COM 16");
    EXPECT_THAT(view.checkMarks(), ElementsAre(false, false, true, false, false));

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

TEST_F(PortManagerTest, FailedOpenClosesThePortAndKeepsTheBaudLabel) {
    control.existing = {2};
    manager.Open_Port(2);
    ASSERT_EQ(view.baudText, "4800,N,8,1");
    control.log.clear();

    manager.Open_Port(5);

    EXPECT_EQ(view.status(), "Port:  5: Not Available");
    EXPECT_FALSE(control.PortOpen());
    EXPECT_THAT(control.log, ElementsAre("close", "open 5 fails"));
    EXPECT_EQ(view.baudText, "4800,N,8,1");
}

TEST_F(PortManagerTest, SelectionOpensThePortAtListPositionPlusOne) {
    control.existing = {1, 12};
    manager.cmb_PORT_Click(11);
    EXPECT_EQ(view.status(), "Port:  12: OK");
    EXPECT_EQ(control.CommPort(), 12);

    // No selection tries port 0, which closes the open port and fails.
    manager.cmb_PORT_Click(-1);
    EXPECT_EQ(view.status(), "Port:  0: Not Available");
    EXPECT_FALSE(control.PortOpen());
}

TEST_F(PortManagerTest, ReselectingTheOpenPortClosesAndReopensIt) {
    control.existing = {4};
    manager.cmb_PORT_Click(3);
    control.log.clear();

    manager.cmb_PORT_Click(3);

    EXPECT_THAT(control.log, ElementsAre("close", "open 4 ok"));
    EXPECT_EQ(view.status(), "Port:  4: OK");
}

TEST_F(PortManagerTest, BaudChoiceMovesTheCheckMarkAndReopensAtTheNewRate) {
    control.existing = {1};
    manager.probe();
    control.log.clear();

    manager.MNU_Baud_Click(4, 0);

    EXPECT_THAT(view.checkMarks(), ElementsAre(false, false, false, false, true));
    EXPECT_THAT(control.log, ElementsAre("close", "open 1 ok"));
    EXPECT_EQ(control.Settings(), "19200,N,8,1");
    EXPECT_EQ(view.baudText, "19200,N,8,1");
    EXPECT_EQ(view.status(), "Port:  1: OK");
    EXPECT_EQ(manager.settingsText(), "19200,N,8,1");
}

TEST_F(PortManagerTest, BaudChoiceWithoutSelectionClosesTheProbedPort) {
    control.existing = {1};
    manager.probe();

    manager.MNU_Baud_Click(0, -1);

    EXPECT_TRUE(manager.baudChecked(0));
    EXPECT_FALSE(manager.baudChecked(2));
    EXPECT_EQ(view.status(), "Port:  0: Not Available");
    EXPECT_FALSE(control.PortOpen());
    EXPECT_EQ(view.baudText, "4800,N,8,1");
}

TEST_F(PortManagerTest, TickWritesTheSentenceWithLineEndOnlyWhenOpen) {
    manager.writeSentence("$GPGLL,5430.0000,N,00115.0000,W,123456,A");
    EXPECT_EQ(view.status(), "$GPGLL,5430.0000,N,00115.0000,W,123456,A: Not Connected.");
    EXPECT_EQ(control.written, "");

    control.existing = {1};
    manager.Open_Port(1);
    manager.writeSentence("$GPGLL,5430.0000,N,00115.0000,W,123457,A");
    manager.writeSentence("$GPGLL,5430.0001,N,00115.0000,W,123458,A");

    EXPECT_EQ(view.status(), "$GPGLL,5430.0001,N,00115.0000,W,123458,A");
    EXPECT_EQ(control.written,
              "$GPGLL,5430.0000,N,00115.0000,W,123457,A\r\n$GPGLL,5430.0001,N,00115.0000,W,123458,A\r\n");
}

TEST_F(PortManagerTest, FailedWriteCountsThePortAsClosedAndTheRunGoesOn) {
    control.existing = {1};
    manager.Open_Port(1);
    control.outputFails = true;

    manager.writeSentence("$GPGLL,A");
    EXPECT_EQ(view.status(), "$GPGLL,A: Not Connected.");
    EXPECT_FALSE(control.PortOpen());

    control.outputFails = false;
    manager.writeSentence("$GPGLL,B");
    EXPECT_EQ(view.status(), "$GPGLL,B: Not Connected.");
    EXPECT_EQ(control.written, "");

    // Choosing the port again brings the output back.
    manager.cmb_PORT_Click(0);
    manager.writeSentence("$GPGLL,C");
    EXPECT_EQ(view.status(), "$GPGLL,C");
    EXPECT_EQ(control.written, "$GPGLL,C\r\n");
}

TEST_F(PortManagerTest, LostDeviceShowsNotConnectedUntilItIsBackAndChosenAgain) {
    control.existing = {6};
    manager.cmb_PORT_Click(5);
    control.loseDevice();

    manager.writeSentence("$GPRMC,X*00");
    EXPECT_EQ(view.status(), "$GPRMC,X*00: Not Connected.");

    manager.cmb_PORT_Click(5);
    EXPECT_EQ(view.status(), "Port:  6: Not Available");

    control.existing.insert(6);
    manager.cmb_PORT_Click(5);
    EXPECT_EQ(view.status(), "Port:  6: OK");
    manager.writeSentence("$GPRMC,Y*00");
    EXPECT_EQ(control.written, "$GPRMC,Y*00\r\n");
}

}  // namespace
}  // namespace pelora
