#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace pelora {

// Turns every signal that would end the program from outside into a call on the event loop, so
// that the program can close its serial port (leaving no stale lock file), remove its virtual
// port's link and leave the event loop cleanly, as it does for SIGTERM: SIGHUP (the terminal
// closed), SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGIO,
// SIGPWR, SIGSTKFLT, SIGXCPU and the real-time signals. A signal that is ignored already (as
// `nohup` ignores SIGHUP, and main() SIGXFSZ) or has a handler (a profiler's SIGPROF) keeps it.
// SIGPIPE is caught and does nothing:
// a write to a closed peer fails with EPIPE instead, and programs started from here get SIGPIPE
// back. The handler itself only writes one byte to a pipe; `onSignal` runs later on the thread
// of this object, also while a modal dialog runs its own event loop.
//
// The faults of the process itself (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS) cannot go
// on: their handler removes the links the program made (OwnedLink::releaseAllNow) and then
// lets the signal end the process as it would have (or hands it to the handler that was there
// before, such as a sanitizer's).
//
// One instance at a time; the previous handlers come back when it is destroyed.
class ExitSignals : public QObject {
    Q_OBJECT

public:
    // `onSignal` receives the signal number. Installing can fail (no pipe): then nothing is
    // caught and installed() reads false.
    explicit ExitSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~ExitSignals() override;

    bool installed() const;

private:
    void readSignals();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace pelora
