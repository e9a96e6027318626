#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pelora {

// Where each tick's line goes besides the serial port. A line is one sentence (or one
// played-back voyage line) followed by CR LF, passed on byte for byte.
class LineOutput {
public:
    virtual ~LineOutput() = default;

    // Hands one line, CR LF included, to the output and returns at once: never blocks, never
    // waits for a consumer. What a consumer cannot take now is dropped, not queued.
    virtual void writeLine(std::string_view line) = 0;
};

// The choices of the outputs besides the serial port, kept in the settings file's [Output]
// group. Every output is off by default and listens or sends on this computer only.
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
    bool utc = false;                      // Utc: time and date fields in UTC, not local time

    friend bool operator==(const OutputSettings&, const OutputSettings&) = default;
};

// What the outputs besides the serial port are doing, for the window and the status lines.
struct OutputStatus {
    struct Endpoint {
        bool on = false;        // asked for and running
        std::string where;      // "127.0.0.1:10110", or the link path of the virtual port
        std::string problem;    // why it is not running although asked for; "" when none
    };
    Endpoint tcp;
    Endpoint udp;
    Endpoint pty;
    int tcpClients = 0;         // TCP clients connected now
};

// The outputs besides the serial port: a TCP server, UDP datagrams and a virtual serial port.
// Every line written goes to each output that is on; one output failing, stalling or being
// off never delays the others or the caller.
class Outputs : public LineOutput {
public:
    // Turns each output on or off and moves it as `settings` say; an output whose choices did
    // not change keeps running (its clients stay connected). Returns one message for each
    // output that could not start, naming its address and port (or link) and the reason; the
    // others run regardless. `settings.utc` is not an output and is ignored here.
    virtual std::vector<std::string> apply(const OutputSettings& settings) = 0;

    virtual OutputStatus status() const = 0;

    // `listener` runs on the user-interface thread whenever status() changes: a client came or
    // went, an output failed or recovered. `problem` names a new problem once, when it arises
    // (never once a tick), and is "" otherwise.
    virtual void setListener(std::function<void(const std::string& problem)> listener) = 0;

    // Stops every output: the server closes, the virtual port's link is removed.
    virtual void stopAll() = 0;
};

}  // namespace pelora
