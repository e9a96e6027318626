#include "outputs/output_hub.h"

#include "outputs/output_checks.h"
#include "outputs/pty_output.h"
#include "outputs/tcp_server_output.h"
#include "outputs/udp_output.h"

namespace pelora {

OutputHub::OutputHub(QObject* parent)
    : QObject(parent), m_tcp(new TcpServerOutput(this)), m_udp(new UdpOutput(this)), m_pty(new PtyOutput(this)) {
    // Queued, so that the listener never runs inside a write or an apply().
    connect(m_tcp, &TcpServerOutput::statusChanged, this, &OutputHub::tell, Qt::QueuedConnection);
    connect(m_udp, &UdpOutput::statusChanged, this, &OutputHub::tell, Qt::QueuedConnection);
    connect(m_pty, &PtyOutput::statusChanged, this, &OutputHub::tell, Qt::QueuedConnection);
}

OutputHub::~OutputHub() {
    stopAll();
}

std::vector<std::string> OutputHub::apply(const OutputSettings& asked) {
    OutputSettings settings = asked;
    if (settings.ptyLink.empty()) {
        settings.ptyLink = defaultPtyLink();
    }
    std::vector<std::string> problems;
    const auto keep = [&problems](std::string problem) {
        if (!problem.empty()) {
            problems.push_back(std::move(problem));
        }
    };

    if (!settings.tcp) {
        m_tcp->stop();
    } else if (!m_tcp->isOn() || settings.tcpAddress != m_applied.tcpAddress || settings.tcpPort != m_applied.tcpPort) {
        keep(m_tcp->start(settings.tcpAddress, settings.tcpPort));
    }
    if (!settings.udp) {
        m_udp->stop();
    } else if (!m_udp->isOn() || settings.udpAddress != m_applied.udpAddress || settings.udpPort != m_applied.udpPort) {
        keep(m_udp->start(settings.udpAddress, settings.udpPort));
    }
    if (!settings.pty) {
        m_pty->stop();
    } else if (!m_pty->isOn() || settings.ptyLink != m_applied.ptyLink) {
        keep(m_pty->start(settings.ptyLink));
    }
    m_applied = settings;
    return problems;
}

OutputStatus OutputHub::status() const {
    OutputStatus status;
    status.tcp = m_tcp->endpoint();
    status.udp = m_udp->endpoint();
    status.pty = m_pty->endpoint();
    // An output that is off shows where it would run.
    if (!m_applied.tcp) {
        status.tcp = {false, endpointText(m_applied.tcpAddress, m_applied.tcpPort), {}};
    }
    if (!m_applied.udp) {
        status.udp = {false, endpointText(m_applied.udpAddress, m_applied.udpPort), {}};
    }
    if (!m_applied.pty) {
        status.pty = {false, m_applied.ptyLink.empty() ? defaultPtyLink() : m_applied.ptyLink, {}};
    }
    status.tcpClients = m_tcp->clientCount();
    return status;
}

void OutputHub::setListener(std::function<void(const std::string& problem)> listener) {
    m_listener = std::move(listener);
}

void OutputHub::stopAll() {
    m_tcp->stop();
    m_udp->stop();
    m_pty->stop();
    m_applied.tcp = m_applied.udp = m_applied.pty = false;
}

void OutputHub::writeLine(std::string_view line) {
    m_tcp->writeLine(line);
    m_udp->writeLine(line);
    m_pty->writeLine(line);
}

const TcpServerOutput& OutputHub::tcpServer() const {
    return *m_tcp;
}

const UdpOutput& OutputHub::udp() const {
    return *m_udp;
}

const PtyOutput& OutputHub::pty() const {
    return *m_pty;
}

void OutputHub::tell(const QString& problem) {
    if (m_listener) {
        m_listener(problem.toStdString());
    }
}

}  // namespace pelora
