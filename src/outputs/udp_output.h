#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <string>
#include <string_view>

#include "nmea/output.h"

class QUdpSocket;

namespace pelora {

// The UDP output: one datagram per line to one address and port, which may be a broadcast
// address such as a network's x.y.z.255. A failed send (no route, for example) is reported once,
// through statusChanged(), until a send goes through again; a send never waits.
class UdpOutput : public QObject, public LineOutput {
    Q_OBJECT

public:
    explicit UdpOutput(QObject* parent = nullptr);

    // Sends from now on to `address` (an IPv4 or IPv6 address) and `port`. Returns "" or the
    // problem, naming address, port and reason; the output is then off.
    std::string start(const std::string& address, int port);

    void stop();

    // Sends the line as one datagram.
    void writeLine(std::string_view line) override;

    bool isOn() const;
    // On, "address:port" of the last start() and the problem of the output.
    OutputStatus::Endpoint endpoint() const;

signals:
    // A send failed (`problem` names it, once) or went through again after failing ("").
    void statusChanged(const QString& problem);

private:
    QUdpSocket* m_socket;
    QHostAddress m_address;
    quint16 m_port = 0;
    bool m_on = false;
    std::string m_where;
    std::string m_problem;
};

}  // namespace pelora
