#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace pelora {

// Turns SIGINT and SIGTERM into a call on the event loop, so that the program can close its
// serial port (leaving no stale lock file) and leave the event loop cleanly. The signal handler
// itself only writes one byte to a pipe; `onSignal` runs later on the thread of this object.
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
