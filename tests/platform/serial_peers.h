#pragma once

// Real peers for the serial tests: a socat pseudo-terminal pair (a virtual null-modem), the far
// end opened for reading, a temporary settings folder with [Ports] entries, and Qt's lock files.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "run/port_manager.h"
#include "platform/app_identity.h"
#include "platform/device_map.h"
#include "platform/qt_settings_store.h"
#include "support/fake_port_view.h"

namespace pelora::testing {

using namespace std::chrono_literals;

// A loopback TCP port that nothing listens on at the moment of asking; 0 when none is found.
inline int freeTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

// Qt's lock files of `device`, in the folders Qt locks in. The serial control locks a device
// under its real path (/dev/pts/3 gives LCK..pts_3), so a link such as a socat pair's end is
// resolved first; a `device` that names no file is matched as part of a lock file's name.
inline QStringList lockFilesFor(const QString& device) {
    QString name = QFileInfo(device).canonicalFilePath();
    if (name.isEmpty()) {
        name = "*" + device + "*";
    } else {
        if (name.startsWith(QStringLiteral("/dev/"))) {
            name.remove(0, 5);
        }
        name.replace('/', '_');
    }
    QStringList found;
    for (const QString& folder : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QStringLiteral("/tmp")}) {
        for (const QString& file : QDir(folder).entryList({"LCK.." + name}, QDir::Files | QDir::System)) {
            found << folder + "/" + file;
        }
    }
    return found;
}

// Ends a peer started for a test: asked first by its process id, then killed.
inline void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

inline bool haveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty() ||
           !QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}).isEmpty();
}

inline QString programPath(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    return path.isEmpty() ? QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                          : path;
}

// Runs the event loop for about `duration`.
inline void pumpEvents(std::chrono::milliseconds duration) {
    QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// A temporary settings folder, made the per-user one for this process, with helpers for the
// [Ports] group of `application`'s settings file.
class TempSettings {
public:
    explicit TempSettings(QString application = QString::fromStdString(executableName())) : m_application(std::move(application)) {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        // QSettings keeps the per-user folder it found first; point it at this one.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    // Maps COM `port` to `device` through the program's own settings store, which keeps every
    // other line of the file as it is.
    void mapPort(int port, const QString& device) {
        QtSettingsStore store(m_application.toStdString(), m_dir.path());
        store.SaveSetting(m_application.toStdString(), "Ports", "COM" + std::to_string(port), device.toStdString());
    }

    QString path() const { return m_dir.path(); }
    const QString& application() const { return m_application; }

private:
    QTemporaryDir m_dir;
    QString m_application;
};

// A socat pseudo-terminal pair: whatever is written to `near()` comes out of `far()`.
class SocatPair {
public:
    // Link names are unique per pair, since Qt's lock file is named after the device's name.
    SocatPair(const QString& folder, const QString& name)
        : m_near(folder + "/" + name + "-near"), m_far(folder + "/" + name + "-far") {}
    ~SocatPair() { stop(); }

    // Starts socat and waits up to 3 s for both ends to appear.
    bool start() {
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(programPath(QStringLiteral("socat")),
                        {QStringLiteral("pty,raw,echo=0,link=") + m_near, QStringLiteral("pty,raw,echo=0,link=") + m_far});
        if (!m_process.waitForStarted(3000)) {
            return false;
        }
        QDeadlineTimer deadline(3s);
        while (!deadline.hasExpired()) {
            if (QFile::exists(m_near) && QFile::exists(m_far)) {
                return true;
            }
            QThread::msleep(10);
        }
        return false;
    }

    // Stops socat by its process id and waits for it.
    void stop() {
        if (m_process.state() == QProcess::NotRunning) {
            return;
        }
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    const QString& near() const { return m_near; }
    const QString& far() const { return m_far; }

private:
    QString m_near;
    QString m_far;
    QProcess m_process;
};

// The far end of a pair, opened for reading and writing without becoming the controlling tty.
class FarEnd {
public:
    explicit FarEnd(const QString& path) : m_fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~FarEnd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // Reads until `bytes` bytes arrived or `timeout` passed, running the event loop meanwhile
    // (the serial port sends its buffer from the event loop).
    std::string read(std::size_t bytes, std::chrono::milliseconds timeout = 2000ms) {
        std::string received;
        QDeadlineTimer deadline(timeout);
        while (received.size() < bytes && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, 10) > 0 && (pfd.revents & POLLIN)) {
                char buffer[512];
                const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
                if (n > 0) {
                    received.append(buffer, static_cast<std::size_t>(n));
                }
            }
        }
        return received;
    }

private:
    int m_fd;
};

}  // namespace pelora::testing
