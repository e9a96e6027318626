#include "outputs/tcp_client_output.h"

#include <QTcpSocket>

#include "config/endpoint.h"

namespace pelora {

TcpClientOutput::TcpClientOutput(std::string host, int port)
    : m_host(std::move(host)), m_port(port), m_where(hostPortText(m_host, port)) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetry);
    QObject::connect(&m_retry, &QTimer::timeout, &m_retry, [this] { connectNow(); });
    m_answer.setSingleShot(true);
    m_answer.setInterval(kAnswerTimeout);
    QObject::connect(&m_answer, &QTimer::timeout, &m_answer, [this] {
        lost("no answer within " + std::to_string(kAnswerTimeout.count() / 1000) + " s");
    });
}

TcpClientOutput::~TcpClientOutput() {
    stop();
}

std::string TcpClientOutput::endpoint() const {
    return "tcp-client://" + m_where;
}

std::optional<Failure> TcpClientOutput::start() {
    stop();
    m_started = true;
    connectNow();
    // A server that is not there yet is no failure: the output keeps trying.
    return std::nullopt;
}

void TcpClientOutput::connectNow() {
    m_socket = std::make_unique<QTcpSocket>();
    QTcpSocket* socket = m_socket.get();
    QObject::connect(socket, &QTcpSocket::connected, socket, [this, socket] {
        m_answer.stop();
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_problem.clear();
        m_relay.notify({});
    });
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->skip(socket->bytesAvailable()); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket,
                     [this, socket](QAbstractSocket::SocketError) { lost(socket->errorString().toStdString()); });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [this] { lost("the server closed the connection"); });
    m_answer.start();
    socket->connectToHost(QString::fromStdString(m_host), static_cast<quint16>(m_port));
}

void TcpClientOutput::lost(const std::string& reason) {
    if (!m_started || m_retry.isActive() || !m_socket) {
        return;
    }
    m_answer.stop();
    // Deleted from the event loop: this may run inside one of the socket's own signals. Nothing
    // it still says (its end, a late error) reaches the output any more.
    QTcpSocket* socket = m_socket.release();
    socket->disconnect();
    socket->deleteLater();
    if (m_problem.empty()) {
        m_problem = Failure{"Pelora cannot send to the TCP server " + m_where, reason, 0}.message() +
                    " It tries again every " + std::to_string(kRetry.count() / 1000) + " s.";
        m_relay.notify(m_problem);
    }
    m_retry.start();
}

void TcpClientOutput::stop() {
    m_started = false;
    m_retry.stop();
    m_answer.stop();
    if (m_socket) {
        m_socket->disconnect();
        m_socket->abort();
        m_socket.reset();
    }
    m_problem.clear();
}

OutputState TcpClientOutput::state() const {
    const bool connected = m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
    return {connected, m_where, m_problem, -1};
}

void TcpClientOutput::writeLine(std::string_view line) {
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState ||
        m_socket->bytesToWrite() + static_cast<qint64>(line.size()) > kBacklogLimitBytes) {
        return;
    }
    m_socket->write(line.data(), static_cast<qint64>(line.size()));
    m_socket->flush();
}

}  // namespace pelora
