#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "outputs/listener_relay.h"
#include "run/output.h"

class QSocketNotifier;
class QTcpServer;

namespace pelora {

// The TCP server output (tcp://ADDRESS:PORT): listens on one address and port and sends every
// line to each client connected at the time of the write, from the write after its connection
// on. What clients send is read and thrown away. The lines go to the clients' sockets directly
// (one non-blocking send each, a few microseconds for all of them), so that a crowd of clients
// never holds the tick. A line goes to a client whole: when the system takes only part of it,
// the rest goes first next time and the lines meanwhile are dropped for that client. A client
// whose lines the system has refused for kClientLagLimit is cut off; it never delays the others.
class TcpServerOutput final : public Output {
public:
    static constexpr std::chrono::milliseconds kClientLagLimit{3000};
    // The system's send buffer per client, kept small so that a stalled client is found out
    // soon and costs little memory.
    static constexpr int kClientSendBufferBytes = 16 * 1024;
    // More clients than this are turned away at once (and the first turned away is told), so
    // that a flood of connections cannot use up the program's file descriptors.
    static constexpr int kMaxClients = 256;
    // Connections the system may queue before they are accepted.
    static constexpr int kListenBacklog = kMaxClients;
    // After a failed accept, how long the server waits before it accepts again.
    static constexpr std::chrono::milliseconds kAcceptRetry{1000};

    // Listens on `address` (an IPv4 or IPv6 address, such as 127.0.0.1 or 0.0.0.0) and `port`
    // once started.
    TcpServerOutput(std::string address, int port);
    // Closes every client and the server.
    ~TcpServerOutput() override;

    std::string endpoint() const override;
    std::optional<Failure> start() override;
    void stop() override;
    OutputState state() const override;
    void writeLine(std::string_view line) override;
    void setListener(std::function<void(const std::string& problem)> listener) override { m_relay.set(std::move(listener)); }

    int clientCount() const { return static_cast<int>(m_clients.size()); }

private:
    class Server;
    struct Client {
        int fd = -1;
        std::unique_ptr<QSocketNotifier> reader;
        std::string tail;  // the part of a line the system has not taken yet
        std::chrono::steady_clock::time_point refusedSince{};  // epoch when nothing is refused
        bool gone = false;  // closed by the client, or cut off
        bool cut = false;   // cut off for being too far behind
    };

    void accept(int fd);
    void readFrom(Client& client);
    bool sendTo(Client& client, std::string_view line, std::chrono::steady_clock::time_point now);
    void dropGone();
    void acceptFailed(const std::string& reason);
    void closeAll();

    std::string m_address;
    int m_port;
    std::string m_where;
    std::unique_ptr<Server> m_server;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::string m_problem;
    bool m_turnedAwayTold = false;
    ListenerRelay m_relay;
};

}  // namespace pelora
