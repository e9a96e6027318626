#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/endpoint.h"
#include "config/settings_store.h"

namespace pelora {

// The output choices kept in the settings file's [Output] group: the TCP server, UDP and the
// virtual serial port the Output menu switches, further outputs by endpoint, and UTC. Every
// output is off by default and listens or sends on this computer only.
struct OutputSettings {
    static constexpr int kDefaultPort = 10110;  // the usual NMEA-over-IP port

    bool tcp = false;                      // Tcp: the TCP server
    std::string tcpAddress = "127.0.0.1";  // TcpAddress: where it listens
    int tcpPort = kDefaultPort;            // TcpPort: 1..65535
    bool udp = false;                      // Udp: one datagram per line
    std::string udpAddress = "127.0.0.1";  // UdpAddress: where the datagrams go
    int udpPort = kDefaultPort;            // UdpPort: 1..65535
    bool pty = false;                      // Pty: the virtual serial port
    std::string ptyLink;                   // PtyLink: the link to it; empty = the default link
    std::vector<std::string> endpoints;    // Endpoints: further outputs, "file:/x, tcp-client://h:1"
    bool utc = false;                      // Utc: time and date fields in UTC, not local time

    friend bool operator==(const OutputSettings&, const OutputSettings&) = default;
};

// The settings file's group that holds the output choices.
inline constexpr char kOutputSection[] = "Output";

// Reads the output choices of `application` from the [Output] group: Tcp, TcpAddress,
// TcpPort, Udp, UdpAddress, UdpPort, Pty, PtyLink, Endpoints (separated by commas) and Utc
// (on/off as "1"/"0", or "true"/"false"). A missing, unreadable or unusable key means its
// default; a damaged key spoils only itself. A stored value that cannot be used is named in
// `unusable` ("Output/TcpPort=99999"), so that the program can say so once.
OutputSettings loadOutputSettings(SettingsStore& store, const std::string& application,
                                  std::vector<std::string>* unusable = nullptr);

// Writes all ten keys in one pass. Returns the error when they did not reach the store.
std::optional<Failure> saveOutputSettings(SettingsStore& store, const std::string& application,
                                                const OutputSettings& settings);

}  // namespace pelora
