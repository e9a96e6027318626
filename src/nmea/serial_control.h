#pragma once

#include <string>
#include <string_view>

#include "text/failure.h"

namespace pelora {

// The serial communications control (`MSComm1`) as the port management drives it: one port
// at a time, chosen by number, opened with a settings text such as "4800,N,8,1".
// Failures are returned values, never exceptions.
class SerialControl {
public:
    virtual ~SerialControl() = default;

    // True exactly when a port is open and usable. A port whose device went away, or whose
    // last write failed, reads false from then on.
    virtual bool PortOpen() const = 0;

    // false closes the open port (nothing happens when none is open) and returns true.
    // true opens the port `CommPort` with `Settings`; returns false, leaving no port open,
    // when the port does not exist, has no hardware behind it, may not be opened by this user,
    // is in use (under any of its names) or the settings cannot be applied.
    // Opening while a port is already open fails and leaves that port open.
    virtual bool setPortOpen(bool open) = 0;

    // The port number to use for the next open (1 to 16 name real ports; others open nothing).
    virtual void setCommPort(int port) = 0;
    virtual int CommPort() const = 0;

    // The device of the last opening attempt ("/dev/ttyUSB0"); "" before the first.
    virtual std::string device() const = 0;

    // Sets the settings text "baud,parity,data bits,stop bits", e.g. "4800,N,8,1", for the next
    // open. Returns false and keeps the previous settings when the text is not of that form.
    virtual bool setSettings(std::string_view settings) = 0;
    // The current settings text, in the form "4800,N,8,1".
    virtual std::string Settings() const = 0;

    // Why the last open failed: the device path tried as what failed ("" when the port maps to
    // none), the system's words and its error number (EACCES: the device exists but this user may
    // not open it); all empty after a successful open.
    virtual Failure lastFailure() const = 0;

    // Sends `text` (one line), one byte per character, and returns at once. A line goes out
    // whole or not at all: while the device has not taken what earlier calls sent, `text` is
    // dropped rather than queued behind it, so nothing piles up for a far end that stalls; when
    // it reads again it gets, after what the device itself still held, the current lines and
    // never a cut one. Returns false only when no port is open or the port failed (it then
    // counts as closed); a dropped line is no failure.
    virtual bool Output(std::string_view text) = 0;
};

}  // namespace pelora
