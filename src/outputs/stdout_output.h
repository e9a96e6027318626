#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "outputs/listener_relay.h"
#include "run/output.h"

class QSocketNotifier;

namespace pelora {

// Standard output (-), so that `pelora --headless --output - | other-tool` works; the program's
// own messages stay on stderr. A file takes every line; a pipe, a terminal or a socket is written
// without waiting (through a description of its own, so the shell's terminal is left as it
// was): a line the reader has not made room for is dropped, never queued, and a line goes out
// whole; in a run that keeps its backlog (--fast) it waits instead, sent as the reader makes
// room. A reader that goes away (a closed pipe) fails the output, told once.
class StdoutOutput final : public Output {
public:
    StdoutOutput();
    ~StdoutOutput() override;

    std::string endpoint() const override { return "-"; }
    std::optional<Failure> start() override;
    void stop() override;
    OutputState state() const override;
    void writeLine(std::string_view line) override;
    void keepBacklog(bool keep) override { m_keepBacklog = keep; }
    std::size_t backlog() const override { return m_keepBacklog ? m_tail.size() : 0; }
    void setListener(std::function<void(const std::string& problem)> listener) override { m_relay.set(std::move(listener)); }

private:
    bool sendTail();
    void fail(int error);

    int m_fd = -1;          // where lines go: standard output itself, or a description of it
    bool m_ownFd = false;   // m_fd was opened here
    bool m_socket = false;  // sent with MSG_DONTWAIT instead
    std::string m_tail;     // the part of a line not taken yet; with a backlog, all not taken
    bool m_keepBacklog = false;
    std::unique_ptr<QSocketNotifier> m_writable;  // on while a backlog waits: the reader made room
    std::string m_problem;
    ListenerRelay m_relay;
};

}  // namespace pelora
