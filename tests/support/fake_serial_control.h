#pragma once

// A serial control held in memory: the ports in `available` open while the device is
// `plugged`; what is written is kept (or only counted, for very long runs).

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "nmea/serial_control.h"

namespace pelora::testing {

class FakeSerialControl final : public SerialControl {
public:
    bool PortOpen() const override { return m_open; }
    bool setPortOpen(bool open) override {
        if (!open) {
            m_open = false;
            return true;
        }
        if (m_open || !plugged || available.count(m_port) == 0) {
            return false;
        }
        m_open = true;
        openedPort = m_port;
        ++opens;
        return true;
    }
    void setCommPort(int port) override { m_port = port; }
    int CommPort() const override { return m_port; }
    bool setSettings(std::string_view settings) override {
        m_settings = settings;
        return true;
    }
    std::string Settings() const override { return m_settings; }
    PortFailure lastFailure() const override { return failure; }
    bool Output(std::string_view text) override {
        if (!m_open || !plugged) {
            return false;
        }
        bytesWritten += text.size();
        if (keepWritten) {
            written += text;
        }
        return true;
    }

    PortFailure failure;      // what lastFailure() reports
    std::set<int> available;  // none: a machine without serial ports
    bool plugged = true;      // false: the device went away; opens and writes fail
    bool keepWritten = true;  // false: only count the bytes
    int opens = 0;
    int openedPort = 0;
    std::string written;
    std::size_t bytesWritten = 0;

private:
    bool m_open = false;
    int m_port = 0;
    std::string m_settings = "9600,N,8,1";
};

}  // namespace pelora::testing
