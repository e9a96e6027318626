#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/output.h"

class QTcpServer;
class QTcpSocket;

namespace pelora {

// The TCP server output: listens on one address and port and sends every line to each client
// connected at the time of the write, from the write after its connection on. What clients send
// is read and thrown away. A client that does not take its lines is cut off once the oldest line
// it has not taken is kClientLagLimit old (or its backlog passes kClientBacklogLimitBytes); it
// never delays the others or the caller. "Taken" means accepted by the system for sending: the
// client's own receive buffer is beyond what a server can see.
class TcpServerOutput : public QObject, public LineOutput {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kClientLagLimit{3000};
    static constexpr qint64 kClientBacklogLimitBytes = 64 * 1024;
    // The system's send buffer per client, kept small so that a stalled client is found out
    // soon and costs little memory.
    static constexpr int kClientSendBufferBytes = 16 * 1024;
    // More clients than this are turned away at once, so that a flood of connections cannot
    // use up the program's file descriptors (needed for the serial port and voyage files).
    static constexpr int kMaxClients = 256;
    // Connections the system may queue before they are accepted: every client of a burst of
    // kMaxClients connects without the retry a full queue would cost.
    static constexpr int kListenBacklog = kMaxClients;
    // After a failed accept, how long the server waits before it accepts again.
    static constexpr std::chrono::milliseconds kAcceptRetry{1000};

    explicit TcpServerOutput(QObject* parent = nullptr);
    // Closes every client and the server.
    ~TcpServerOutput() override;

    // Listens on `address` (an IPv4 or IPv6 address, such as 127.0.0.1 or 0.0.0.0) and `port`,
    // closing what listened before. Returns "" or the problem, naming address, port and reason;
    // the server is then off.
    std::string start(const std::string& address, int port);

    // Closes the server and every client.
    void stop();

    // Hands the line to every client without waiting, and cuts off the clients too far behind.
    void writeLine(std::string_view line) override;

    bool isOn() const;
    // On, "address:port" of the last start() and the problem of the server.
    OutputStatus::Endpoint endpoint() const;
    int clientCount() const;

signals:
    // A client came or went (`problem` is ""), or the server failed (`problem` names it, once).
    void statusChanged(const QString& problem);

private:
    struct Client {
        qint64 written = 0;  // bytes handed to the socket since it connected
        // End offset and time of each line the system has not taken in full yet, oldest first.
        std::deque<std::pair<qint64, std::chrono::steady_clock::time_point>> pending;
    };

    void acceptClients();
    void forgetClient(QTcpSocket* socket);
    void cutOff(QTcpSocket* socket);
    bool sendTo(QTcpSocket* socket, Client& client, const QByteArray& bytes,
                std::chrono::steady_clock::time_point now);
    void closeAll();

    QTcpServer* m_server;
    std::map<QTcpSocket*, Client> m_clients;
    // While writeLine() runs, clients that end are noted here and removed after it.
    bool m_writing = false;
    std::vector<QTcpSocket*> m_gone;
    std::string m_where;
    std::string m_problem;
};

}  // namespace pelora
