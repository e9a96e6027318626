#pragma once

#include <QHostAddress>

#include <memory>
#include <string>
#include <string_view>

#include "outputs/listener_relay.h"
#include "run/output.h"

class QUdpSocket;

namespace pelora {

// The UDP output (udp://ADDRESS:PORT): one datagram per line to one address and port, which may
// be a broadcast address such as a network's x.y.z.255. A failed send (no route, for example)
// is reported once until a send goes through again; a send never waits.
class UdpOutput final : public Output {
public:
    // Sends to `address` (an IPv4 or IPv6 address) and `port` once started.
    UdpOutput(std::string address, int port);
    ~UdpOutput() override;

    std::string endpoint() const override;
    std::optional<Failure> start() override;
    void stop() override;
    OutputState state() const override;
    // Sends the line as one datagram.
    void writeLine(std::string_view line) override;
    void setListener(std::function<void(const std::string& problem)> listener) override { m_relay.set(std::move(listener)); }

private:
    std::string m_addressText;
    int m_port;
    std::unique_ptr<QUdpSocket> m_socket;
    QHostAddress m_address;
    bool m_on = false;
    std::string m_where;
    std::string m_problem;
    ListenerRelay m_relay;
};

}  // namespace pelora
