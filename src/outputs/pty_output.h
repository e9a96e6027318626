#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <string_view>

#include "outputs/listener_relay.h"
#include "platform/owned_link.h"
#include "run/output.h"

class QSocketNotifier;

namespace pelora {

// The link the virtual serial port gets when none is chosen: `ttyNMEA` in runtimeFolder(), that is
// `$XDG_RUNTIME_DIR/pelora/ttyNMEA`, or `/tmp/pelora-<user id>/ttyNMEA` when XDG_RUNTIME_DIR is
// unset, empty or not absolute.
std::string defaultPtyLink();

// The virtual serial port: a pseudo-terminal made by the program itself, in raw mode without
// echo, and a symbolic link to its device that a consumer opens like a serial device
// (`gpsd -n <link>`, a chart plotter, `cat`). A line nobody has read by the next write is thrown
// away, so an absent reader costs nothing and a reader who comes gets current lines only.
// The program keeps the terminal's device side open itself, so readers may open and close it
// as often as they like. The link is an OwnedLink: its lock and record live in the program's
// own folder, never beside the link; only a link the program made is ever replaced or removed,
// a stale one of its own (left by a killed program) is replaced, a live one refused. Whatever
// the consumer writes to the port is read and thrown away.
class PtyOutput : public QObject, public Output {
    Q_OBJECT

public:
    // The port at `link` (pty:LINK) once started.
    explicit PtyOutput(std::string link = {}, QObject* parent = nullptr);
    // Stops the port: the link and the lock file go.
    ~PtyOutput() override;

    // Makes the terminal and the link `link` (an absolute path), creating its folder (mode 0700)
    // when missing; stops what ran before, and first removes the stale links of programs that
    // ended without removing them (OwnedLink::removeStale). Returns "" or the problem, naming
    // the link and the reason; the port is then off.
    std::string start(const std::string& link);

    // Removes the link (when it is still the one the port made) and its record, and closes the
    // terminal. Nothing happens when the port is off.
    void stop() override;

    // Writes the line to the terminal without waiting; what the last tick left unread is thrown
    // away before a tick's first line, so that a tick's lines reach the reader together. A
    // write failure other than a full terminal is reported once, through
    // statusChanged(), until a write goes through again.
    void writeLine(std::string_view line) override;
    // The tick's lines are all written: the next line begins a new tick.
    void flush() override { m_tickBegins = true; }

    bool isOn() const;

    // Output: the port at the link given at construction.
    std::string endpoint() const override;
    std::optional<Failure> start() override;
    OutputState state() const override;
    void setListener(std::function<void(const std::string& problem)> listener) override { m_relay.set(std::move(listener)); }
    // The terminal's device ("/dev/pts/3"); "" when off.
    const std::string& devicePath() const;

signals:
    // The port failed (`problem` names it, once) or recovered (`problem` is "").
    void statusChanged(const QString& problem);

private:
    std::string makePort(const std::string& link);
    std::string openTerminal();
    void drainConsumerBytes();
    void closeEverything();

    std::string m_endpointLink;  // the link given at construction
    ListenerRelay m_relay;
    std::string m_link;        // the link asked for
    std::string m_device;      // the terminal's device side
    std::string m_problem;
    OwnedLink m_owned;
    int m_master = -1;
    int m_deviceFd = -1;       // the device side, held open by the program
    QSocketNotifier* m_notifier = nullptr;
    bool m_tickBegins = true;  // the next line is a tick's first
};

}  // namespace pelora
