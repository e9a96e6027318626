#include "run/port_manager.h"

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

PortEvent portEvent(PortEvent::Kind kind, int port = 0) {
    PortEvent event;
    event.kind = kind;
    event.port = port;
    return event;
}

std::string portMessage(int n, std::string_view outcome) {
    return "Port: " + blankSigned(n) + std::string(outcome);
}

// The operator's words for a failed open: "<device>: <reason>", with the cure for a
// permission refusal.
std::string failureText(const Failure& failure) {
    std::string text = failure.what.empty() ? failure.reason : failure.what + ": " + failure.reason;
    if (failure.permissionDenied()) {
        text += ": " + std::string(kDialoutCure);
    }
    return text;
}

}  // namespace

std::string portStatusText(const PortEvent& event) {
    switch (event.kind) {
    case PortEvent::Kind::Opened:
        return portMessage(event.port, ": OK");
    case PortEvent::Kind::NotAvailable:
        return portMessage(event.port, ": Not Available");
    case PortEvent::Kind::NoPorts:
        return std::string(kNoPortsStatus);
    default:
        return {};
    }
}

std::string portToolTip(const PortEvent& event) {
    return event.kind == PortEvent::Kind::NotAvailable || event.kind == PortEvent::Kind::Lost
               ? failureText(event.failure)
               : std::string();
}

std::string sentStatusText(const std::string& sentence, bool serialOpen) {
    return serialOpen ? sentence : sentence + std::string(kNotConnected);
}

const std::array<std::string_view, PortManager::kBaudCount>& PortManager::baudCaptions() {
    static const std::array<std::string_view, kBaudCount> captions{"1200",  "2400",  "4800",  "9600",
                                                                   "19200", "38400", "57600", "115200"};
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

PortManager::PortManager(SerialControl& control) : m_control(control) {
    m_baudChecked[kStartBaudIndex] = true;
}

void PortManager::setEventListener(std::function<void(const PortEvent&)> listener) {
    m_events = std::move(listener);
}

void PortManager::tell(const PortEvent& event) {
    if (m_events) {
        m_events(event);
    }
}

void PortManager::tellBaudChecks() {
    PortEvent event = portEvent(PortEvent::Kind::BaudChecked);
    event.baudChecks.assign(m_baudChecked.begin(), m_baudChecked.end());
    tell(event);
}

void PortManager::probe() {
    tellBaudChecks();
    tell(portEvent(PortEvent::Kind::Listed));
    std::vector<std::string> refused;  // the devices this user may not open, for the cure
    for (int n = 1; n <= kPortCount; ++n) {
        open(n);
        if (m_control.PortOpen()) {
            return;
        }
        const Failure failure = m_control.lastFailure();
        if (failure.permissionDenied() && std::find(refused.begin(), refused.end(), failure.what) == refused.end()) {
            refused.push_back(failure.what);
        }
    }
    PortEvent none = portEvent(PortEvent::Kind::NoPorts);
    none.message = kNoPortsMessage;
    if (!refused.empty()) {
        none.message += std::string(kMessageLineBreak) + "Permission denied for " + refused.front();
        for (std::size_t i = 1; i < refused.size(); ++i) {
            none.message += ", " + refused[i];
        }
        none.message += ": " + std::string(kDialoutCure);
    }
    tell(none);
}

void PortManager::open(int n) {
    m_lostReason.clear();
    PortEvent event = portEvent(PortEvent::Kind::Opened, n);
    if (const auto failure = tryOpen(n)) {
        event.kind = PortEvent::Kind::NotAvailable;
        event.failure = *failure;
    } else {
        event.settings = m_control.Settings();
    }
    tell(event);
    if (m_listener) {
        m_listener({});
    }
}

std::optional<Failure> PortManager::tryOpen(int n) {
    // Each step runs only when the one before it worked; the first failure ends the attempt.
    if (m_control.PortOpen() && !m_control.setPortOpen(false)) {
        return Failure{{}, "the open port did not close", 0};
    }
    m_control.setCommPort(n);
    const std::string settings = settingsText();
    if (!m_control.setSettings(settings)) {
        return Failure{{}, "the settings " + settings + " were refused", 0};
    }
    if (!m_control.setPortOpen(true)) {
        return m_control.lastFailure();
    }
    return std::nullopt;
}

void PortManager::select(int listIndex) {
    open(listIndex + 1);
}

void PortManager::chooseBaud(int index, int listIndex) {
    for (int i = 0; i < kBaudCount; ++i) {
        m_baudChecked[static_cast<std::size_t>(i)] = (i == index);
    }
    tellBaudChecks();
    // The probe opens a port without selecting it; a new rate is for that port.
    if (listIndex < 0 && m_control.PortOpen()) {
        open(m_control.CommPort());
        return;
    }
    select(listIndex);
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

std::string PortManager::endpoint() const {
    std::string settings = m_control.Settings();
    return "serial:" + m_control.device() + "?baud=" + settings.substr(0, settings.find(','));
}

std::optional<Failure> PortManager::start() {
    return std::nullopt;
}

void PortManager::stop() {
    if (m_control.PortOpen()) {
        m_control.setPortOpen(false);
    }
}

OutputState PortManager::state() const {
    OutputState state;
    state.running = m_control.PortOpen();
    state.where = m_control.device() + " (COM " + std::to_string(m_control.CommPort()) + ", " + m_control.Settings() + ")";
    state.problem = m_lostReason;
    return state;
}

void PortManager::writeLine(std::string_view line) {
    if (!m_control.PortOpen() || m_control.Output(line)) {
        return;
    }
    // The device went away or refused the text: from now on the port counts as closed, and the
    // simulation carries on.
    m_control.setPortOpen(false);
    PortEvent lost = portEvent(PortEvent::Kind::Lost, m_control.CommPort());
    lost.failure = m_control.lastFailure();
    if (lost.failure.reason.empty()) {
        lost.failure = Failure{m_control.device(), "the port was lost", 0};
    }
    m_lostReason = failureText(lost.failure);
    tell(lost);
    if (m_listener) {
        m_listener(m_lostReason);
    }
}

void PortManager::setListener(std::function<void(const std::string& problem)> listener) {
    m_listener = std::move(listener);
}

}  // namespace pelora
