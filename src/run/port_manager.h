#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/serial_control.h"
#include "run/output.h"

namespace pelora {

// What happened to the serial port, for the window's status line and the headless runner's
// stderr; portStatusText and portToolTip word it.
struct PortEvent {
    enum class Kind {
        Listed,        // the port list was filled (the probe's first step)
        BaudChecked,   // the baud menu's check marks moved (or were set at the probe)
        Opened,        // port `port` opened with `settings`
        NotAvailable,  // port `port` could not be opened: `failure` says why
        NoPorts,       // the probe found no port: `message` is the box's text
        Lost,          // the open port was lost (a device that went away, a failed write)
    };
    Kind kind = Kind::Opened;
    int port = 0;
    std::string settings;   // Opened: as the port reads it back, "4800,N,8,1"
    Failure failure;    // NotAvailable, Lost
    std::string message;    // NoPorts
    std::vector<bool> baudChecks;  // BaudChecked: the menu's check marks, entry by entry
};

// The status line's text for an event: "Port:  3: OK", "Port:  3: Not Available" (the number
// with its leading blank), "No serial ports are available."; "" for events that change no text.
std::string portStatusText(const PortEvent& event);

// Why a port was not available, for the status line's tool tip: "<device>: <reason>", with the
// cure when the system refused for lack of permission; "" after an open.
std::string portToolTip(const PortEvent& event);

// The status line after a sentence went out: the sentence, followed by ": Not Connected." when
// no serial port took it.
std::string sentStatusText(const std::string& sentence, bool serialOpen);

// The window's serial port: the port list COM 1 to COM 16, the baud menu, opening a port, the
// start-up probe and the writing of each line, over a serial control. It is the first of the
// simulation's outputs. What it does is told as events.
class PortManager : public Output {
public:
    static constexpr int kPortCount = 16;
    static constexpr int kBaudCount = 8;
    static constexpr int kStartBaudIndex = 2;  // "4800"
    // The baud rates of the seed's menu; the faster ones follow them.
    static constexpr int kSeedBaudCount = 5;

    // The captions of the baud menu: 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200.
    static const std::array<std::string_view, kBaudCount>& baudCaptions();
    // The 16 entries of the port list, "COM 1" to "COM 16".
    static std::vector<std::string> portEntries();

    // Keeps a reference to the control; it must outlive the manager. No port is opened yet.
    explicit PortManager(SerialControl& control);

    // Where the events go (replacing any listener before).
    void setEventListener(std::function<void(const PortEvent&)> listener);

    // The start-up probe: sets the baud check marks to their start state, lists the ports,
    // opens ports 1 to 16 in turn and stops at the first that opens. When none opens, tells
    // NoPorts with the message (followed by a line naming the devices this user may not open
    // and the cure, when there were such).
    void probe();

    // Closes the open port, then opens port `n` with the checked baud rate. After a failure no
    // port is open.
    void open(int n);

    // A pick in the port list: opens the port at list position `listIndex` (0 = COM 1); -1 (no
    // selection) tries port 0, which closes the open port and fails.
    void select(int listIndex);

    // A pick in the baud menu: checks entry `index` only, then reopens the port at list
    // position `listIndex`. With no entry selected (-1), the open port (the one the probe
    // found) is reopened at the new rate; with none open either, port 0 is tried.
    void chooseBaud(int index, int listIndex);

    bool isOpen() const { return m_control.PortOpen(); }
    // The port number of the last opening attempt.
    int port() const { return m_control.CommPort(); }
    // Whether baud menu entry `index` is checked (false outside the menu).
    bool baudChecked(int index) const;
    // The settings text the next open uses: the last checked caption followed by ",N,8,1".
    std::string settingsText() const;

    // Output: the endpoint of the open port ("serial:/dev/ttyUSB0?baud=4800"), or of the port
    // chosen last; start() opens nothing (the probe and the picks do); stop() closes the port.
    std::string endpoint() const override;
    std::optional<Failure> start() override;
    void stop() override;
    OutputState state() const override;
    // Writes the line while a port is open (the control drops it when the far end has not
    // taken the last one); a failed write closes the port and tells Lost.
    void writeLine(std::string_view line) override;
    void setListener(std::function<void(const std::string& problem)> listener) override;

private:
    std::optional<Failure> tryOpen(int n);
    void tell(const PortEvent& event);
    void tellBaudChecks();

    SerialControl& m_control;
    std::array<bool, kBaudCount> m_baudChecked{};
    std::function<void(const PortEvent&)> m_events;
    std::function<void(const std::string&)> m_listener;
    std::string m_lostReason;
};

}  // namespace pelora
