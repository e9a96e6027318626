#pragma once

#include <QTimer>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "outputs/listener_relay.h"
#include "run/output.h"

class QTcpSocket;

namespace pelora {

// The TCP client output (tcp-client://HOST:PORT): Pelora connects to a server that takes NMEA
// (an OpenCPN or Signal K data connection, a logger) and sends it every line. While the server
// is away the lines are dropped and the connection is tried again every kRetry; the outage is
// told once. What the server sends is read and thrown away. A server that stops taking lines
// gets them dropped once kBacklogLimitBytes wait, never queued without end.
class TcpClientOutput final : public Output {
public:
    static constexpr std::chrono::milliseconds kRetry{2000};
    // A server that has not taken the connection by then counts as away. A host that drops
    // connection attempts unanswered (a firewall, a machine gone from the network) would
    // otherwise hold each try for the system's two minutes, without a word.
    static constexpr std::chrono::milliseconds kAnswerTimeout{2000};
    static constexpr qint64 kBacklogLimitBytes = 16 * 1024;

    // Connects to `host` (an address or a host name) and `port` once started.
    TcpClientOutput(std::string host, int port);
    ~TcpClientOutput() override;

    std::string endpoint() const override;
    std::optional<Failure> start() override;
    void stop() override;
    OutputState state() const override;
    void writeLine(std::string_view line) override;
    void setListener(std::function<void(const std::string& problem)> listener) override { m_relay.set(std::move(listener)); }

private:
    void connectNow();
    void lost(const std::string& reason);

    std::string m_host;
    int m_port;
    std::string m_where;
    std::unique_ptr<QTcpSocket> m_socket;
    QTimer m_retry;
    QTimer m_answer;  // runs while a connection is being made
    bool m_started = false;
    std::string m_problem;
    ListenerRelay m_relay;
};

}  // namespace pelora
