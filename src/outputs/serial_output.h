#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "outputs/listener_relay.h"
#include "run/output.h"

namespace pelora {

class QtSerialControl;

// A serial device named by its path (serial:/dev/ttyUSB1?baud=4800), besides the window's own
// serial port: opened at the given baud rate (4800 when none is given), no parity, 8 data bits,
// 1 stop bit; every line written as the window's port writes it. A device that goes away is told
// once; starting the output again reopens it.
class SerialOutput final : public Output {
public:
    // `device` is an absolute path; `baud` a rate the device accepts.
    SerialOutput(std::string device, int baud);
    ~SerialOutput() override;

    std::string endpoint() const override;
    std::optional<Failure> start() override;
    void stop() override;
    OutputState state() const override;
    void writeLine(std::string_view line) override;
    void setListener(std::function<void(const std::string& problem)> listener) override { m_relay.set(std::move(listener)); }

private:
    std::string m_device;
    int m_baud;
    std::unique_ptr<QtSerialControl> m_control;
    std::string m_problem;
    ListenerRelay m_relay;
};

}  // namespace pelora
