#include "outputs/serial_output.h"

#include "platform/qt_serial_control.h"

namespace pelora {

SerialOutput::SerialOutput(std::string device, int baud) : m_device(std::move(device)), m_baud(baud) {}

SerialOutput::~SerialOutput() = default;

std::string SerialOutput::endpoint() const {
    return "serial:" + m_device + "?baud=" + std::to_string(m_baud);
}

std::optional<Failure> SerialOutput::start() {
    stop();
    const QString device = QString::fromStdString(m_device);
    m_control = std::make_unique<QtSerialControl>([device](int) { return device; });
    QObject::connect(m_control.get(), &QtSerialControl::portLost, m_control.get(), [this] {
        m_problem = Failure{"The serial device " + m_device + " was lost", m_control->lastError().toStdString(), 0}.message();
        m_relay.notify(m_problem);
    });
    m_control->setCommPort(1);
    if (!m_control->setSettings(std::to_string(m_baud) + ",N,8,1") || !m_control->setPortOpen(true)) {
        const Failure failure = m_control->lastFailure();
        const Failure problem{"The serial device " + m_device + " cannot be opened",
                              failure.reason.empty() ? "the baud rate " + std::to_string(m_baud) + " was refused"
                                                     : failure.reason,
                              0};
        m_problem = problem.message();
        m_control.reset();
        return problem;
    }
    m_problem.clear();
    return std::nullopt;
}

void SerialOutput::stop() {
    if (m_control) {
        m_control->setPortOpen(false);
        m_control.reset();
    }
}

OutputState SerialOutput::state() const {
    const bool open = m_control && m_control->PortOpen();
    return {open, m_device + " (" + std::to_string(m_baud) + ",N,8,1)", m_problem, -1};
}

void SerialOutput::writeLine(std::string_view line) {
    if (m_control && m_control->PortOpen()) {
        m_control->Output(line);
    }
}

}  // namespace pelora
