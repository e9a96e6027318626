#pragma once

// A serial control held in memory: the ports in `available` open while the device is
// `plugged`; what is written is kept (or only counted, for very long runs). The contract suite
// (tests/platform/serial_control_contract_test.cpp) runs it beside the real control.

#include <cctype>
#include <charconv>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/serial_control.h"

namespace pelora::testing {

class FakeSerialControl final : public SerialControl {
public:
    bool PortOpen() const override { return m_open; }

    bool setPortOpen(bool open) override {
        if (!open) {
            log.push_back("close");
            m_open = false;
            return true;
        }
        if (m_open) {
            log.push_back("open " + std::to_string(m_port) + " fails");
            m_failure = {{}, "The port is already open", 0};
            return false;
        }
        m_attempted = true;
        const bool ok = plugged && available.count(m_port) != 0;
        log.push_back("open " + std::to_string(m_port) + (ok ? " ok" : " fails"));
        if (!ok) {
            const auto refusal = refusals.find(m_port);
            m_failure = refusal != refusals.end() ? refusal->second : failure;
            return false;
        }
        m_open = true;
        m_failure = {};
        openedPort = m_port;
        ++opens;
        return true;
    }

    void setCommPort(int port) override { m_port = port; }
    int CommPort() const override { return m_port; }
    std::string device() const override { return m_attempted ? "/dev/fake" + std::to_string(m_port) : std::string(); }

    bool setSettings(std::string_view settings) override {
        const auto text = normalized(settings);
        if (!text) {
            return false;
        }
        m_settings = *text;
        return true;
    }
    std::string Settings() const override { return m_settings; }

    Failure lastFailure() const override { return m_failure; }

    bool Output(std::string_view text) override {
        if (!m_open) {
            return false;
        }
        if (!plugged || outputFails) {
            m_open = false;  // a failed write loses the port, as on a real device
            return false;
        }
        bytesWritten += text.size();
        if (keepWritten) {
            written += text;
        }
        return true;
    }

    // The device of the open port disappears for good: the port counts as closed and does not
    // open again until it is made available.
    void loseDevice() {
        m_open = false;
        available.erase(m_port);
    }

    std::set<int> available;   // ports that open; none: a machine without serial ports
    bool plugged = true;       // false: the device went away; opens and writes fail
    bool outputFails = false;  // true: the next write fails, which loses the port
    bool keepWritten = true;   // false: only count the bytes
    // Why a port outside `available` does not open: its entry in `refusals`, else `failure`.
    std::map<int, Failure> refusals;
    Failure failure{{}, "No such file or directory", 0};
    std::vector<std::string> log;  // "open 3 ok", "open 5 fails", "close", in order
    int opens = 0;                 // successful opens
    int openedPort = 0;            // the port of the last successful open
    std::string written;
    std::size_t bytesWritten = 0;

private:
    // "baud,parity,data bits,stop bits" as the real control reads it (blanks around a field
    // ignored; a positive whole baud rate; N E O M or S in either case; 5 to 8; 1, 1.5 or 2),
    // written back as it writes it: "4800,N,8,1". Nothing for any other text.
    static std::optional<std::string> normalized(std::string_view text) {
        std::vector<std::string_view> fields;
        for (std::size_t start = 0;;) {
            const std::size_t comma = text.find(',', start);
            std::string_view field = text.substr(start, comma == std::string_view::npos ? comma : comma - start);
            const std::size_t first = field.find_first_not_of(' ');
            field = first == std::string_view::npos ? std::string_view() : field.substr(first, field.find_last_not_of(' ') - first + 1);
            fields.push_back(field);
            if (comma == std::string_view::npos) {
                break;
            }
            start = comma + 1;
        }
        if (fields.size() != 4) {
            return std::nullopt;
        }
        long baud = 0;
        const auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), baud);
        const bool baudOk = !fields[0].empty() && error == std::errc() && end == fields[0].data() + fields[0].size() && baud > 0;
        const bool parity = fields[1].size() == 1 && std::string_view("NEOMSneoms").find(fields[1][0]) != std::string_view::npos;
        const bool dataBits = fields[2].size() == 1 && fields[2][0] >= '5' && fields[2][0] <= '8';
        const bool stopBits = fields[3] == "1" || fields[3] == "1.5" || fields[3] == "2";
        if (!baudOk || !parity || !dataBits || !stopBits) {
            return std::nullopt;
        }
        const char parityLetter = static_cast<char>(std::toupper(static_cast<unsigned char>(fields[1][0])));
        return std::to_string(baud) + ',' + parityLetter + ',' + std::string(fields[2]) + ',' + std::string(fields[3]);
    }

    bool m_open = false;
    bool m_attempted = false;
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    Failure m_failure;
};

}  // namespace pelora::testing
