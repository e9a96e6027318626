#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/endpoint.h"
#include "text/failure.h"

namespace pelora {

// What an output is doing, for the status line, the Output menu and the start line.
struct OutputState {
    bool running = false;   // started and taking lines
    std::string where;      // "127.0.0.1:10110", "/dev/ttyUSB0 (COM 5, 4800,N,8,1)", a link, a file
    std::string problem;    // why it is not running, or what is failing now; "" when nothing
    int clients = -1;       // clients connected now (a server); -1 for the other kinds

    friend bool operator==(const OutputState&, const OutputState&) = default;
};

// One place the tick's lines go: the serial port, a TCP server, UDP, the virtual serial port,
// a file, standard output. Single-threaded: every call on the simulation's thread.
class Output {
public:
    virtual ~Output() = default;

    // The endpoint the output was made for, as a user types it ("tcp://127.0.0.1:10110").
    virtual std::string endpoint() const = 0;

    // Opens, listens or connects. Returns why it could not; it is then off and stays off until
    // started again.
    virtual std::optional<Failure> start() = 0;

    // Closes everything the output holds (clients, links, files); nothing happens when off.
    virtual void stop() = 0;

    virtual OutputState state() const = 0;

    // Hands one line (CR LF included) to the output and returns at once: never blocks and never
    // waits for a consumer; what a consumer cannot take now is dropped, not queued (but see
    // keepBacklog()), and a line goes out whole or not at all.
    virtual void writeLine(std::string_view line) = 0;

    // A run that keeps no real time (--fast) has no beat to keep, so nothing need be dropped: an
    // output that can (standard output) then keeps what its reader has not taken yet and sends
    // it as the reader makes room, and backlog() tells how many bytes wait. The run lets the
    // event loop in while too much waits, and before it ends.
    virtual void keepBacklog(bool /*keep*/) {}
    virtual std::size_t backlog() const { return 0; }

    // The lines of one tick have all been written: an output that gathers them (a file, which
    // then takes a tick's burst in one write) passes them on now.
    virtual void flush() {}

    // `listener` runs whenever state() may have changed (a client came or went, the output
    // failed or recovered); `problem` names a new failure once, when it arises, and is ""
    // otherwise. It may run from inside writeLine() and must not call back into the output.
    virtual void setListener(std::function<void(const std::string& problem)> listener) = 0;
};

// Makes the outputs of every kind but the window's serial port, from their endpoints.
class OutputMaker {
public:
    virtual ~OutputMaker() = default;

    // An output for `endpoint`, not started yet, or why there can be none (an unknown kind, an
    // address that is not one, a relative path).
    virtual Result<std::unique_ptr<Output>> make(const Endpoint& endpoint) = 0;
};

}  // namespace pelora
