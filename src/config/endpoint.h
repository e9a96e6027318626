#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/failure.h"

namespace pelora {

// Where an output sends its lines, as a user types it:
//   serial:/dev/ttyUSB0?baud=4800   a serial device
//   tcp://127.0.0.1:10110           a TCP server Pelora runs
//   tcp-client://HOST:PORT          a TCP server Pelora connects to
//   udp://ADDRESS:PORT              one datagram a line
//   pty:LINK                        the virtual serial port (pty: alone: the default link)
//   file:PATH                       an NMEA log, appended
//   -                               standard output
// A scheme followed by "//" names a host and port ("[::1]:10110" for IPv6); any other names a
// path. Options follow a "?" as key=value pairs joined by "&".
struct Endpoint {
    std::string scheme;
    std::string host;  // IPv6 without its brackets
    int port = 0;      // 1..65535 for a host and port, 0 otherwise
    std::string path;
    std::vector<std::pair<std::string, std::string>> options;

    // The value of option `key`, or "" when there is none.
    std::string option(std::string_view key) const;
    // The endpoint written back in the form above.
    std::string text() const;

    friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

// The scheme of standard output.
inline constexpr std::string_view kStandardOutput = "-";

// Reads an endpoint in the form above. Checks the form only (a scheme of lower-case letters,
// digits and "-"; a port from 1 to 65535; no empty option key); whether the scheme is known and
// the address, path and options make sense is for the output that takes it.
Result<Endpoint> parseEndpoint(std::string_view text);

// Reads a port number: a whole number from 1 to 65535 (blanks around it allowed), nothing else.
std::optional<int> portNumberFromText(std::string_view text);

// "ADDRESS:PORT" with an IPv6 address in brackets ("[::1]:10110").
std::string hostPortText(const std::string& host, int port);

}  // namespace pelora
