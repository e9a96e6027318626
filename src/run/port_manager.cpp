#include "run/port_manager.h"

#include "nmea/sentence.h"
#include "text/number_text.h"
#include "text/text.h"

#include <algorithm>

namespace pelora {

namespace {

constexpr std::string_view kFraming = ",N,8,1";
constexpr std::string_view kNotConnected = ": Not Connected.";
constexpr std::string_view kMessageLineBreak = "\r\n";
constexpr std::string_view kNoPortsMessage =
    "No hardware serial ports are available.\r\n"
    "You should connect a 'USB to Serial Port Converter' into an unused USB socket.";
constexpr std::string_view kNoPortsStatus = "No serial ports are available.";
constexpr std::string_view kDialoutCure =
    "join the 'dialout' group (sudo usermod -aG dialout $USER), then log in again.";

std::string portMessage(int n, std::string_view outcome) {
    return "Port: " + blankSigned(n) + std::string(outcome);
}

// The operator's words for a failed open: "<device>: <reason>", with the cure for a
// permission refusal.
std::string failureText(const PortFailure& failure) {
    std::string text = failure.device.empty() ? failure.reason : failure.device + ": " + failure.reason;
    if (failure.permissionDenied) {
        text += ": " + std::string(kDialoutCure);
    }
    return text;
}

}  // namespace

const std::array<std::string_view, PortManager::kBaudCount>& PortManager::baudCaptions() {
    static const std::array<std::string_view, kBaudCount> captions{"1200", "2400", "4800", "9600", "19200"};
    return captions;
}

std::vector<std::string> PortManager::portEntries() {
    std::vector<std::string> entries;
    entries.reserve(kPortCount);
    for (int n = 1; n <= kPortCount; ++n) {
        entries.push_back("COM" + blankSigned(n));
    }
    return entries;
}

PortManager::PortManager(SerialControl& control, PortView& view) : m_control(control), m_view(view) {
    m_baudChecked[kStartBaudIndex] = true;
}

void PortManager::probe() {
    showBaudChecks();
    m_view.setPortEntries(portEntries());
    std::vector<std::string> refused;  // the devices this user may not open, for the cure
    for (int n = 1; n <= kPortCount; ++n) {
        Open_Port(n);
        if (m_control.PortOpen()) {
            return;
        }
        const PortFailure failure = m_control.lastFailure();
        if (failure.permissionDenied && std::find(refused.begin(), refused.end(), failure.device) == refused.end()) {
            refused.push_back(failure.device);
        }
    }
    std::string message(kNoPortsMessage);
    if (!refused.empty()) {
        message += std::string(kMessageLineBreak) + "Permission denied for " + refused.front();
        for (std::size_t i = 1; i < refused.size(); ++i) {
            message += ", " + refused[i];
        }
        message += ": " + std::string(kDialoutCure);
    }
    m_view.showNoPortsMessage(message);
    m_view.setStatusText(std::string(kNoPortsStatus));
}

void PortManager::Open_Port(int n) {
    if (const auto failure = tryOpen(n)) {
        m_view.setStatusText(portMessage(n, ": Not Available"));
        m_view.setStatusToolTip(failureText(*failure));
        return;
    }
    m_view.setStatusText(portMessage(n, ": OK"));
    m_view.setStatusToolTip({});
    m_view.setBaudRateText(m_control.Settings());
}

std::optional<PortFailure> PortManager::tryOpen(int n) {
    // Each step runs only when the one before it worked; the first failure ends the attempt.
    if (m_control.PortOpen() && !m_control.setPortOpen(false)) {
        return PortFailure{{}, "the open port did not close", false};
    }
    m_control.setCommPort(n);
    const std::string settings = settingsText();
    if (!m_control.setSettings(settings)) {
        return PortFailure{{}, "the settings " + settings + " were refused", false};
    }
    if (!m_control.setPortOpen(true)) {
        return m_control.lastFailure();
    }
    return std::nullopt;
}


void PortManager::cmb_PORT_Click(int selected_index) {
    Open_Port(selected_index + 1);
}

void PortManager::MNU_Baud_Click(int index, int selected_index) {
    for (int i = 0; i < kBaudCount; ++i) {
        m_baudChecked[static_cast<std::size_t>(i)] = (i == index);
    }
    showBaudChecks();
    // The probe opens a port without selecting it; a new rate is for that port.
    if (selected_index < 0 && m_control.PortOpen()) {
        Open_Port(m_control.CommPort());
        return;
    }
    cmb_PORT_Click(selected_index);
}

void PortManager::writeSentence(const std::string& sentence) {
    if (m_control.PortOpen()) {
        m_view.setStatusText(sentence);
        if (m_control.Output(sentence + std::string(kSentenceEnd))) {
            return;
        }
        // The device went away or refused the text: from now on the port counts as closed,
        // and the simulation carries on.
        m_control.setPortOpen(false);
    }
    m_view.setStatusText(sentence + std::string(kNotConnected));
}

bool PortManager::baudChecked(int index) const {
    return index >= 0 && index < kBaudCount && m_baudChecked[static_cast<std::size_t>(index)];
}

std::string PortManager::settingsText() const {
    std::string baud;
    for (int i = 0; i < kBaudCount; ++i) {
        if (m_baudChecked[static_cast<std::size_t>(i)]) {
            baud = baudCaptions()[static_cast<std::size_t>(i)];
        }
    }
    return baud + std::string(kFraming);
}

void PortManager::showBaudChecks() {
    for (int i = 0; i < kBaudCount; ++i) {
        m_view.setBaudChecked(i, m_baudChecked[static_cast<std::size_t>(i)]);
    }
}

}  // namespace pelora
