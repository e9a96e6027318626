#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/output.h"

namespace pelora {

class PtyOutput;
class TcpServerOutput;
class UdpOutput;

// The outputs besides the serial port, put together: the TCP server, UDP and the virtual serial
// port. Each line goes to every output that is on, in that order; none of them waits.
// The listener is called from the event loop, never from inside apply(), writeLine() or
// stopAll(): apply() returns its problems instead.
class OutputHub : public QObject, public Outputs {
    Q_OBJECT

public:
    explicit OutputHub(QObject* parent = nullptr);
    // Stops every output.
    ~OutputHub() override;

    // Starts, stops or moves each output as `settings` say. An output left on with the same
    // address and port (or link) keeps running, its clients connected; one that failed before is
    // tried again. An empty link means defaultPtyLink().
    std::vector<std::string> apply(const OutputSettings& settings) override;
    OutputStatus status() const override;
    void setListener(std::function<void(const std::string& problem)> listener) override;
    void stopAll() override;
    void writeLine(std::string_view line) override;

    // The parts, for the status lines and the tests.
    const TcpServerOutput& tcpServer() const;
    const UdpOutput& udp() const;
    const PtyOutput& pty() const;

private:
    void tell(const QString& problem);

    TcpServerOutput* m_tcp;
    UdpOutput* m_udp;
    PtyOutput* m_pty;
    OutputSettings m_applied;  // what apply() last asked for, link made explicit
    std::function<void(const std::string&)> m_listener;
};

}  // namespace pelora
