#include "outputs/tcp_server_output.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>

#include <fcntl.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "outputs/output_checks.h"

namespace pelora {

namespace {

constexpr std::size_t kReadChunkBytes = 512;

std::string withFullStop(QString reason) {
    if (!reason.endsWith('.')) {
        reason += '.';
    }
    return reason.toStdString();
}

}  // namespace

// The listening socket: hands each accepted connection's descriptor over as it is, so that the
// output writes to it directly.
class TcpServerOutput::Server final : public QTcpServer {
public:
    explicit Server(TcpServerOutput& owner) : m_owner(owner) {}

protected:
    void incomingConnection(qintptr fd) override { m_owner.accept(static_cast<int>(fd)); }

private:
    TcpServerOutput& m_owner;
};

TcpServerOutput::TcpServerOutput(std::string address, int port)
    : m_address(std::move(address)), m_port(port), m_where(endpointText(m_address, port)) {}

TcpServerOutput::~TcpServerOutput() {
    closeAll();
}

std::string TcpServerOutput::endpoint() const {
    return "tcp://" + m_where;
}

std::optional<Failure> TcpServerOutput::start() {
    stop();
    const std::string what = "The TCP server cannot listen on " + m_where;
    const std::optional<QHostAddress> host = outputAddressFromText(m_address);
    std::optional<Failure> failure;
    if (!host) {
        failure = Failure{what, "it is not an IP address.", 0};
    } else if (!isPortNumber(m_port)) {
        failure = Failure{what, "the port must be from 1 to 65535.", 0};
    } else {
        m_server = std::make_unique<Server>(*this);
        m_server->setListenBacklogSize(kListenBacklog);
        QObject::connect(m_server.get(), &QTcpServer::acceptError, m_server.get(),
                         [this](QAbstractSocket::SocketError) { acceptFailed(withFullStop(m_server->errorString())); });
        if (!m_server->listen(*host, static_cast<quint16>(m_port))) {
            failure = Failure{what, withFullStop(m_server->errorString()), 0};
            m_server.reset();
        }
    }
    if (failure) {
        m_problem = failure->message();
    }
    return failure;
}

void TcpServerOutput::acceptFailed(const std::string& reason) {
    // Accepting fails when the program runs out of descriptors, for example. Qt then stops
    // accepting; the server tries again a little later, and the problem is told once until a
    // client is accepted again.
    QTimer::singleShot(kAcceptRetry, m_server.get(), [server = m_server.get()] {
        if (server->isListening()) {
            server->resumeAccepting();
        }
    });
    if (m_problem.empty()) {
        m_problem = "The TCP server on " + m_where + " cannot accept a client: " + reason;
        m_relay.notify(m_problem);
    }
}

void TcpServerOutput::stop() {
    closeAll();
    m_problem.clear();
    m_turnedAwayTold = false;
}

void TcpServerOutput::closeAll() {
    for (const std::unique_ptr<Client>& client : m_clients) {
        client->reader.reset();
        ::close(client->fd);
    }
    m_clients.clear();
    m_server.reset();
}

void TcpServerOutput::accept(int fd) {
    if (static_cast<int>(m_clients.size()) >= kMaxClients) {
        ::close(fd);
        if (!m_turnedAwayTold) {
            m_turnedAwayTold = true;
            m_relay.notify("The TCP server on " + m_where + " serves at most " + std::to_string(kMaxClients) +
                           " clients at once; further clients are turned away.");
        }
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const int buffer = kClientSendBufferBytes;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->reader = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Client* raw = client.get();
    QObject::connect(client->reader.get(), &QSocketNotifier::activated, client->reader.get(), [this, raw] {
        readFrom(*raw);
        dropGone();
    });
    m_clients.push_back(std::move(client));
    // An accepted client ends an accept problem.
    if (!m_problem.empty() && m_server) m_problem.clear();
    m_relay.notify({});
}

void TcpServerOutput::readFrom(Client& client) {
    std::array<char, kReadChunkBytes> buffer{};
    while (true) {
        const ssize_t got = ::recv(client.fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got > 0) continue;
        if (got < 0 && errno == EINTR) continue;
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            client.gone = true;  // the client closed the connection or it broke
        }
        return;
    }
}

bool TcpServerOutput::sendTo(Client& client, std::string_view line, std::chrono::steady_clock::time_point now) {
    const auto refused = [&client, now] {
        if (client.refusedSince == std::chrono::steady_clock::time_point{}) client.refusedSince = now;
        return now - client.refusedSince < kClientLagLimit;
    };
    const auto sendPart = [&client](std::string_view bytes) -> ssize_t {
        ssize_t sent;
        do {
            sent = ::send(client.fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent;
    };
    if (!client.tail.empty()) {
        const ssize_t sent = sendPart(client.tail);
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        if (sent > 0) client.tail.erase(0, static_cast<std::size_t>(sent));
        if (!client.tail.empty()) return refused();  // this line is dropped for the client
    }
    const ssize_t sent = sendPart(line);
    if (sent < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        return refused();
    }
    if (static_cast<std::size_t>(sent) < line.size()) {
        client.tail.assign(line.substr(static_cast<std::size_t>(sent)));
        return refused();
    }
    client.refusedSince = {};
    return true;
}

void TcpServerOutput::writeLine(std::string_view line) {
    if (m_clients.empty()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    bool cutOff = false;
    for (const std::unique_ptr<Client>& client : m_clients) {
        if (!client->gone && !sendTo(*client, line, now)) {
            client->gone = client->cut = true;
            cutOff = true;
        }
    }
    if (cutOff) dropGone();
}

void TcpServerOutput::dropGone() {
    const auto before = m_clients.size();
    std::erase_if(m_clients, [](const std::unique_ptr<Client>& client) {
        if (!client->gone) return false;
        client->reader.reset();
        if (client->cut) {
            // Reset rather than closed: a plain close would leave the system sending the backlog
            // to a client that takes nothing, for minutes, and the client would not learn it was
            // cut off.
            const linger reset{1, 0};
            ::setsockopt(client->fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        }
        ::close(client->fd);
        return true;
    });
    if (m_clients.size() != before) {
        if (static_cast<int>(m_clients.size()) < kMaxClients) m_turnedAwayTold = false;
        m_relay.notify({});
    }
}

OutputState TcpServerOutput::state() const {
    return {m_server && m_server->isListening(), m_where, m_problem, clientCount()};
}

}  // namespace pelora
