#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/serial_control.h"

namespace pelora {

// What the port management shows in the main window.
class PortView {
public:
    virtual ~PortView() = default;

    // Sets the status line `LAB_NMEA`.
    virtual void setStatusText(const std::string& text) = 0;
    // Sets the tool tip of the status line: why the last port was not available, or "".
    virtual void setStatusToolTip(const std::string& text) = 0;
    // Sets the label `Lab_BaudRate`.
    virtual void setBaudRateText(const std::string& text) = 0;
    // Replaces the entries of the port list `cmb_PORT`, leaving no entry selected and running
    // no selection handler.
    virtual void setPortEntries(const std::vector<std::string>& entries) = 0;
    // Sets the check mark of the baud menu entry `MNU_Baud(index)`.
    virtual void setBaudChecked(int index, bool checked) = 0;
    // Shows a modal message box with the application's title, `text` and an OK button only;
    // returns when the operator has closed it.
    virtual void showNoPortsMessage(const std::string& text) = 0;
};

// The serial port of the main window: the port list, the baud menu, opening a port, the
// start-up probe and the per-tick write, over a serial control and a view.
class PortManager {
public:
    static constexpr int kPortCount = 16;
    static constexpr int kBaudCount = 5;
    static constexpr int kStartBaudIndex = 2;  // "4800"

    // The captions of `MNU_Baud`, index 0 to 4.
    static const std::array<std::string_view, kBaudCount>& baudCaptions();
    // The 16 entries of the port list, "COM 1" to "COM 16".
    static std::vector<std::string> portEntries();

    // Keeps references to both; they must outlive the manager. Nothing is shown yet.
    PortManager(SerialControl& control, PortView& view);

    // The start-up probe: sets the baud check marks to their start state, fills the port list,
    // opens ports 1 to 16 in turn and stops at the first that opens. When none opens, shows the
    // no-ports message (followed by a line naming the devices this user may not open and the
    // cure, when there were such) and then "No serial ports are available." in the status line.
    // Selects no list entry.
    void probe();

    // Closes the open port, then opens port `n` with the checked baud rate; reports
    // "Port:  n: OK" (and the settings in the baud label) or "Port:  n: Not Available".
    // After a failure no port is open and the baud label keeps its text. The status line's
    // tool tip tells why the port was not available, and is cleared on success.
    void Open_Port(int n);

    // The port list's selection handler: opens the port at list position `selected_index`
    // (0 = COM 1); -1 (no selection) tries port 0, which closes the open port and fails.
    void cmb_PORT_Click(int selected_index);

    // The baud menu's handler: checks entry `index` only, then reopens the port selected in the
    // list (`selected_index` as for cmb_PORT_Click). With no entry selected (-1), the open port
    // (the one the start-up probe found) is reopened at the new rate; with none open either,
    // port 0 is tried as cmb_PORT_Click(-1) does.
    void MNU_Baud_Click(int index, int selected_index);

    // The per-tick write: with the port open, shows `sentence` in the status line and writes it
    // followed by CR LF (the control drops it when the far end has not taken the last one);
    // otherwise (or when the write fails, which closes the port) shows it followed by
    // ": Not Connected." and writes nothing.
    void writeSentence(const std::string& sentence);

    // Whether the baud menu entry `index` is checked (false outside 0 to 4).
    bool baudChecked(int index) const;
    // The settings text the next open uses: the last checked caption followed by ",N,8,1".
    std::string settingsText() const;

private:
    // Runs steps 2 to 5 of opening port `n`; returns why it failed, or nothing on success.
    std::optional<PortFailure> tryOpen(int n);
    void showBaudChecks();

    SerialControl& m_control;
    PortView& m_view;
    std::array<bool, kBaudCount> m_baudChecked{};
};

}  // namespace pelora
