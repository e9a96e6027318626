#pragma once

#include <string>
#include <string_view>

#include "files/voyage_recorder.h"
#include "outputs/listener_relay.h"
#include "run/output.h"

namespace pelora {

// The file output (file:PATH): every line appended to an NMEA log as it went on the wire (one
// sentence a line with CR LF, unless a fault on the wire changed the line end), a tick's lines
// written through in one write at the tick's end, so that a reader following the file sees
// whole lines only and the lines on disk survive the program. A failure (a full disk, the
// file removed) is told once and the output goes on trying; a line written ends the failure.
class FileOutput final : public Output {
public:
    // Appends to the file at `path` (an absolute path) once started.
    explicit FileOutput(std::string path);

    std::string endpoint() const override;
    std::optional<Failure> start() override;
    void stop() override;
    OutputState state() const override;
    void writeLine(std::string_view line) override;
    void flush() override;
    void setListener(std::function<void(const std::string& problem)> listener) override { m_relay.set(std::move(listener)); }

private:
    VoyageRecorder m_recorder;
    std::string m_pending;  // the tick's lines not written yet
    bool m_on = false;
    std::string m_problem;
    ListenerRelay m_relay;
};

}  // namespace pelora
