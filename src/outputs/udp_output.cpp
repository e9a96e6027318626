#include "outputs/udp_output.h"

#include <QUdpSocket>

#include <cerrno>

#include "outputs/output_checks.h"

namespace pelora {

namespace {

std::string cannotSend(const std::string& where, QString reason) {
    if (!reason.endsWith('.')) {
        reason += '.';
    }
    return "UDP cannot send to " + where + ": " + reason.toStdString();
}

}  // namespace

UdpOutput::UdpOutput(QObject* parent) : QObject(parent), m_socket(new QUdpSocket(this)) {
    // Nothing is expected back; whatever comes is thrown away so it cannot pile up.
    connect(m_socket, &QUdpSocket::readyRead, this, [this] {
        while (m_socket->hasPendingDatagrams()) {
            m_socket->readDatagram(nullptr, 0);
        }
    });
}

std::string UdpOutput::start(const std::string& address, int port) {
    stop();
    m_where = endpointText(address, port);
    const std::optional<QHostAddress> host = outputAddressFromText(address);
    if (!host) {
        m_problem = cannotSend(m_where, QStringLiteral("it is not an IP address"));
        return m_problem;
    }
    if (!isPortNumber(port)) {
        m_problem = cannotSend(m_where, QStringLiteral("the port must be from 1 to 65535"));
        return m_problem;
    }
    // Bound to the address family of the destination, so an IPv4 broadcast is allowed: Qt
    // switches broadcasting on for every UDP socket it opens.
    const QHostAddress any = host->protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress(QHostAddress::AnyIPv6)
                                                                                 : QHostAddress(QHostAddress::AnyIPv4);
    if (!m_socket->bind(any, 0)) {
        m_problem = cannotSend(m_where, m_socket->errorString());
        return m_problem;
    }
    m_address = *host;
    m_port = static_cast<quint16>(port);
    m_on = true;
    return {};
}

void UdpOutput::stop() {
    m_socket->abort();
    m_on = false;
    m_problem.clear();
}

void UdpOutput::writeLine(std::string_view line) {
    if (!m_on) {
        return;
    }
    const QByteArray datagram(line.data(), static_cast<qsizetype>(line.size()));
    errno = 0;
    const qint64 sent = m_socket->writeDatagram(datagram, m_address, m_port);
    const int sendError = errno;
    if (sent == datagram.size()) {
        if (!m_problem.empty()) {
            m_problem.clear();
            emit statusChanged(QString());
        }
        return;
    }
    if (m_problem.empty()) {
        // Qt words most failures as "Unable to send a message"; the system's own words say
        // which ("Network is unreachable").
        const bool vague = m_socket->error() == QAbstractSocket::NetworkError && sendError != 0;
        m_problem = cannotSend(m_where, vague ? qt_error_string(sendError) : m_socket->errorString());
        emit statusChanged(QString::fromStdString(m_problem));
    }
}

bool UdpOutput::isOn() const {
    return m_on;
}

OutputStatus::Endpoint UdpOutput::endpoint() const {
    return {m_on, m_where, m_problem};
}

}  // namespace pelora
