#include "outputs/udp_output.h"

#include <QUdpSocket>

#include <cerrno>

#include "outputs/output_checks.h"

namespace pelora {

namespace {

Failure cannotSend(const std::string& where, QString reason) {
    return Failure{"UDP cannot send to " + where, reason.toStdString(), 0};
}

}  // namespace

UdpOutput::UdpOutput(std::string address, int port)
    : m_addressText(std::move(address)), m_port(port), m_where(endpointText(m_addressText, port)) {}

UdpOutput::~UdpOutput() = default;

std::string UdpOutput::endpoint() const {
    return "udp://" + m_where;
}

std::optional<Failure> UdpOutput::start() {
    stop();
    const std::optional<QHostAddress> host = outputAddressFromText(m_addressText);
    std::optional<Failure> failure;
    if (!host) {
        failure = cannotSend(m_where, QStringLiteral("it is not an IP address"));
    } else if (!isPortNumber(m_port)) {
        failure = cannotSend(m_where, QStringLiteral("the port must be from 1 to 65535"));
    } else {
        m_socket = std::make_unique<QUdpSocket>();
        // Nothing is expected back; whatever comes is thrown away so it cannot pile up.
        QObject::connect(m_socket.get(), &QUdpSocket::readyRead, m_socket.get(), [socket = m_socket.get()] {
            while (socket->hasPendingDatagrams()) {
                socket->readDatagram(nullptr, 0);
            }
        });
        // Bound to the address family of the destination, so an IPv4 broadcast is allowed: Qt
        // switches broadcasting on for every UDP socket it opens.
        const QHostAddress any = host->protocol() == QAbstractSocket::IPv6Protocol
                                     ? QHostAddress(QHostAddress::AnyIPv6)
                                     : QHostAddress(QHostAddress::AnyIPv4);
        if (!m_socket->bind(any, 0)) {
            failure = cannotSend(m_where, m_socket->errorString());
            m_socket.reset();
        }
    }
    if (failure) {
        m_problem = failure->message();
        return failure;
    }
    m_address = *host;
    m_on = true;
    return std::nullopt;
}

void UdpOutput::stop() {
    m_socket.reset();
    m_on = false;
    m_problem.clear();
}

void UdpOutput::writeLine(std::string_view line) {
    if (!m_on) {
        return;
    }
    const QByteArray datagram(line.data(), static_cast<qsizetype>(line.size()));
    errno = 0;
    const qint64 sent = m_socket->writeDatagram(datagram, m_address, static_cast<quint16>(m_port));
    const int sendError = errno;
    if (sent == datagram.size()) {
        if (!m_problem.empty()) {
            m_problem.clear();
            m_relay.notify({});
        }
        return;
    }
    if (m_problem.empty()) {
        // Qt words most failures as "Unable to send a message"; the system's own words say
        // which ("Network is unreachable").
        const bool vague = m_socket->error() == QAbstractSocket::NetworkError && sendError != 0;
        m_problem = cannotSend(m_where, vague ? qt_error_string(sendError) : m_socket->errorString()).message();
        m_relay.notify(m_problem);
    }
}

OutputState UdpOutput::state() const {
    return {m_on, m_where, m_problem, -1};
}

}  // namespace pelora
