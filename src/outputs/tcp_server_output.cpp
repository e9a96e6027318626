#include "outputs/tcp_server_output.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

#include <vector>

#include "outputs/output_checks.h"

namespace pelora {

namespace {

std::string sentenceOf(QString reason) {
    if (!reason.endsWith('.')) {
        reason += '.';
    }
    return reason.toStdString();
}

std::string cannotListen(const std::string& where, const std::string& reason) {
    return "The TCP server cannot listen on " + where + ": " + reason;
}

}  // namespace

TcpServerOutput::TcpServerOutput(QObject* parent) : QObject(parent), m_server(new QTcpServer(this)) {
    m_server->setListenBacklogSize(kListenBacklog);
    connect(m_server, &QTcpServer::newConnection, this, &TcpServerOutput::acceptClients);
    connect(m_server, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        // Accepting fails when the program runs out of descriptors, for example. Qt then stops
        // accepting; the server tries again a little later, and the problem is told once until
        // a client is accepted again.
        QTimer::singleShot(kAcceptRetry, m_server, [server = m_server] {
            if (server->isListening()) {
                server->resumeAccepting();
            }
        });
        if (m_problem.empty()) {
            m_problem = "The TCP server on " + m_where + " cannot accept a client: " +
                        sentenceOf(m_server->errorString());
            emit statusChanged(QString::fromStdString(m_problem));
        }
    });
}

TcpServerOutput::~TcpServerOutput() {
    closeAll();
}

std::string TcpServerOutput::start(const std::string& address, int port) {
    stop();
    m_where = endpointText(address, port);
    const std::optional<QHostAddress> host = outputAddressFromText(address);
    if (!host) {
        m_problem = cannotListen(m_where, "it is not an IP address.");
    } else if (!isPortNumber(port)) {
        m_problem = cannotListen(m_where, "the port must be from 1 to 65535.");
    } else if (!m_server->listen(*host, static_cast<quint16>(port))) {
        m_problem = cannotListen(m_where, sentenceOf(m_server->errorString()));
    }
    return m_problem;
}

void TcpServerOutput::stop() {
    closeAll();
    m_problem.clear();
}

void TcpServerOutput::closeAll() {
    for (auto& [socket, client] : m_clients) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_clients.clear();
    m_server->close();
}

void TcpServerOutput::acceptClients() {
    bool changed = false;
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        if (static_cast<int>(m_clients.size()) >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kClientSendBufferBytes);
        connect(socket, &QTcpSocket::readyRead, this, [socket] { socket->skip(socket->bytesAvailable()); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forgetClient(socket); });
        m_clients.emplace(socket, Client{});
        changed = true;
    }
    if (!changed) {
        return;
    }
    // An accepted client ends an accept problem.
    m_problem.clear();
    emit statusChanged(QString());
}

void TcpServerOutput::forgetClient(QTcpSocket* socket) {
    if (m_writing) {
        // Reported from inside a write: the client's entry is in use until the write ends.
        m_gone.push_back(socket);
        return;
    }
    if (m_clients.erase(socket) == 0) {
        return;
    }
    socket->disconnect(this);
    socket->deleteLater();
    emit statusChanged(QString());
}

void TcpServerOutput::cutOff(QTcpSocket* socket) {
    if (m_clients.erase(socket) == 0) {
        return;
    }
    socket->disconnect(this);
    // Reset rather than closed: a plain close would leave the system sending the backlog to a
    // client that takes nothing, for minutes, and the client would not learn it was cut off.
    const linger reset{1, 0};
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    socket->abort();
    socket->deleteLater();
    emit statusChanged(QString());
}

bool TcpServerOutput::sendTo(QTcpSocket* socket, Client& client, const QByteArray& bytes,
                             std::chrono::steady_clock::time_point now) {
    if (socket->bytesToWrite() + bytes.size() > kClientBacklogLimitBytes) {
        return false;
    }
    if (socket->write(bytes) != bytes.size()) {
        return false;
    }
    client.written += bytes.size();
    client.pending.emplace_back(client.written, now);
    // Handed to the system now rather than when the event loop comes round: the line keeps the
    // tick's beat. flush() never waits.
    socket->flush();
    const qint64 taken = client.written - socket->bytesToWrite();
    while (!client.pending.empty() && client.pending.front().first <= taken) {
        client.pending.pop_front();
    }
    return client.pending.empty() || now - client.pending.front().second < kClientLagLimit;
}

void TcpServerOutput::writeLine(std::string_view line) {
    if (m_clients.empty()) {
        return;
    }
    const QByteArray bytes(line.data(), static_cast<qsizetype>(line.size()));
    const auto now = std::chrono::steady_clock::now();
    std::vector<QTcpSocket*> behind;
    m_writing = true;
    for (auto& [socket, client] : m_clients) {
        if (!sendTo(socket, client, bytes, now)) {
            behind.push_back(socket);
        }
    }
    m_writing = false;
    for (QTcpSocket* socket : behind) {
        cutOff(socket);
    }
    std::vector<QTcpSocket*> gone;
    gone.swap(m_gone);
    for (QTcpSocket* socket : gone) {
        forgetClient(socket);
    }
}

bool TcpServerOutput::isOn() const {
    return m_server->isListening();
}

OutputStatus::Endpoint TcpServerOutput::endpoint() const {
    return {isOn(), m_where, m_problem};
}

int TcpServerOutput::clientCount() const {
    return static_cast<int>(m_clients.size());
}

}  // namespace pelora
