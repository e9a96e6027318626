#include "platform/qt_serial_control.h"

#include "text/text.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <utility>
#include <variant>

namespace pelora {

namespace {

std::optional<QSerialPort::Parity> parityFromText(std::string_view text) {
    if (text.size() != 1) {
        return std::nullopt;
    }
    switch (text.front()) {
    case 'N': case 'n': return QSerialPort::NoParity;
    case 'E': case 'e': return QSerialPort::EvenParity;
    case 'O': case 'o': return QSerialPort::OddParity;
    case 'M': case 'm': return QSerialPort::MarkParity;
    case 'S': case 's': return QSerialPort::SpaceParity;
    default: return std::nullopt;
    }
}

char parityLetter(QSerialPort::Parity parity) {
    switch (parity) {
    case QSerialPort::EvenParity: return 'E';
    case QSerialPort::OddParity: return 'O';
    case QSerialPort::MarkParity: return 'M';
    case QSerialPort::SpaceParity: return 'S';
    default: return 'N';
    }
}

std::optional<QSerialPort::StopBits> stopBitsFromText(std::string_view text) {
    if (text == "1") {
        return QSerialPort::OneStop;
    }
    if (text == "1.5") {
        return QSerialPort::OneAndHalfStop;
    }
    if (text == "2") {
        return QSerialPort::TwoStop;
    }
    return std::nullopt;
}

const char* stopBitsText(QSerialPort::StopBits stopBits) {
    switch (stopBits) {
    case QSerialPort::OneAndHalfStop: return "1.5";
    case QSerialPort::TwoStop: return "2";
    default: return "1";
    }
}

// The kernel's UART type for "no UART found here" (PORT_UNKNOWN).
constexpr const char* kNoUartType = "0";

// Whether the kernel says that no UART stands behind the terminal `device` (a real path):
// <ttyClassFolder>/<device name>/type reads 0. Devices without that file (USB converters,
// pseudo-terminals) have a UART or need none.
bool noUartBehind(const QString& device, const QString& ttyClassFolder) {
    QFile type(ttyClassFolder + '/' + QFileInfo(device).fileName() + QStringLiteral("/type"));
    return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == kNoUartType;
}

// The real path of `path` with every link resolved, or the system's error number.
std::variant<QString, int> realDevicePath(const QString& path) {
    char resolved[PATH_MAX];
    if (::realpath(QFile::encodeName(path).constData(), resolved) == nullptr) {
        return errno;
    }
    return QFile::decodeName(resolved);
}


// "pelora (process 4711)" for a process of this computer, "process 4711" when its name cannot be
// read, or "" when there is no such process.
QString processName(qint64 pid) {
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) return {};
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("process %1").arg(pid) : QStringLiteral("%1 (process %2)").arg(name).arg(pid);
}

// Who holds `device` (a real path), where the system tells: the process in Qt's (and other
// programs') lock file /var/lock/LCK..<name>, or the one holding a lock on the device itself in
// /proc/locks; "" when none can be found.
QString deviceHolder(const QString& device) {
    QFile lockFile(QStringLiteral("/var/lock/LCK..") + QFileInfo(device).fileName());
    if (lockFile.open(QIODevice::ReadOnly)) {
        bool number = false;
        const qint64 pid = QString::fromLatin1(lockFile.read(64)).trimmed().toLongLong(&number);
        if (number && pid != ::getpid()) {
            if (const QString name = processName(pid); !name.isEmpty()) return name;
        }
    }
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0) return {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly)) return {};
    // "1: FLOCK  ADVISORY  WRITE 4711 00:05:86 0 EOF": the process and major:minor:inode of the file.
    const QString file = QStringLiteral("%1:%2:%3")
                             .arg(major(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(minor(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(info.st_ino);
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QStringList fields = QString::fromLatin1(line).simplified().split(QLatin1Char(' '));
        if (fields.size() > 5 && fields[5] == file && fields[4].toLongLong() != ::getpid()) {
            if (const QString name = processName(fields[4].toLongLong()); !name.isEmpty()) return name;
        }
    }
    return {};
}

QString inUseText(const QString& device) {
    const QString holder = deviceHolder(device);
    return holder.isEmpty() ? QStringLiteral("The device is in use by another program")
                            : QStringLiteral("The device is in use by another program: %1").arg(holder);
}

}  // namespace

std::optional<SerialSettings> parseSerialSettings(std::string_view text) {
    std::string_view fields[4];
    std::size_t count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        if (count == 4) {
            return std::nullopt;
        }
        fields[count++] = trim(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (count != 4) {
        return std::nullopt;
    }

    SerialSettings settings;
    const std::string_view baud = fields[0];
    const auto [end, error] = std::from_chars(baud.data(), baud.data() + baud.size(), settings.baud);
    if (baud.empty() || error != std::errc() || end != baud.data() + baud.size() || settings.baud <= 0) {
        return std::nullopt;
    }
    const auto parity = parityFromText(fields[1]);
    const auto stopBits = stopBitsFromText(fields[3]);
    if (!parity || !stopBits || fields[2].size() != 1 || fields[2][0] < '5' || fields[2][0] > '8') {
        return std::nullopt;
    }
    settings.parity = *parity;
    settings.dataBits = static_cast<QSerialPort::DataBits>(fields[2][0] - '0');
    settings.stopBits = *stopBits;
    return settings;
}

std::string serialSettingsText(const SerialSettings& settings) {
    return std::to_string(settings.baud) + ',' + parityLetter(settings.parity) + ',' +
           std::to_string(static_cast<int>(settings.dataBits)) + ',' + stopBitsText(settings.stopBits);
}

QtSerialControl::QtSerialControl(DeviceLookup lookup, QObject* parent)
    : QtSerialControl(std::move(lookup), QString::fromLatin1(kTtyClassFolder), parent) {}

QtSerialControl::QtSerialControl(DeviceLookup lookup, QString ttyClassFolder, QObject* parent)
    : QObject(parent),
      m_lookup(std::move(lookup)),
      m_ttyClassFolder(std::move(ttyClassFolder)),
      m_port(new QSerialPort(this)) {
    connect(m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::onError);
    // Whatever the far end sends back is not used; reading it keeps the buffer from growing.
    connect(m_port, &QSerialPort::readyRead, m_port, [this] { m_port->readAll(); });
}

QtSerialControl::~QtSerialControl() {
    closePort();
}

void QtSerialControl::closePort() {
    delete m_writeNotifier;  // before its descriptor closes
    m_writeNotifier = nullptr;
    m_unsent.clear();
    if (m_port->isOpen()) {
        m_port->close();
    }
}

bool QtSerialControl::PortOpen() const {
    return m_port->isOpen() && !m_lost;
}

bool QtSerialControl::setPortOpen(bool open) {
    if (!open) {
        closePort();
        m_lost = false;
        return true;
    }
    if (PortOpen()) {
        m_failure = Failure{m_devicePath.toStdString(), "The port is already open", 0};
        m_lastError = QString::fromStdString(m_failure.reason);
        return false;
    }
    closePort();  // a lost port whose close is still pending
    m_lost = false;

    m_devicePath = m_lookup ? m_lookup(m_commPort) : QString();
    if (!openDevice()) {
        return false;
    }
    m_failure = {};
    m_lastError.clear();
    return true;
}

bool QtSerialControl::refuse(const QString& reason, int errorNumber) {
    m_lastError = reason;
    m_failure = Failure{m_devicePath.toStdString(), reason.toStdString(), errorNumber};
    return false;
}

bool QtSerialControl::openDevice() {
    if (m_devicePath.isEmpty()) {
        return refuse(QStringLiteral("No device for port %1").arg(m_commPort));
    }
    // Every name of the device leads to its real path, so that Qt's lock file
    // (/var/lock/LCK..<name>) is the same whichever name the map gives. A device that is not
    // there fails here at once, before QSerialPort would write and sync a lock file for it.
    const auto resolved = realDevicePath(m_devicePath);
    if (const int* error = std::get_if<int>(&resolved)) {
        return refuse(qt_error_string(*error), *error);
    }
    const QString& device = std::get<QString>(resolved);
    if (noUartBehind(device, m_ttyClassFolder)) {
        return refuse(QStringLiteral("no UART behind this port"));
    }
    if (::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return refuse(qt_error_string(error), error);
    }

    m_port->setPortName(device);
    m_port->setBaudRate(m_settings.baud);
    m_port->setParity(m_settings.parity);
    m_port->setDataBits(m_settings.dataBits);
    m_port->setStopBits(m_settings.stopBits);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        // Qt words a device another program has locked as "Permission error while locking the
        // device": say who holds it instead, where the system tells.
        const bool inUse = m_port->error() == QSerialPort::PermissionError && !deviceHolder(device).isEmpty();
        const QString reason = inUse ? inUseText(device) : m_port->errorString();
        m_port->clearError();
        return refuse(reason);
    }
    m_port->clearError();
    // A second guard besides Qt's lock file, which only programs that look for it respect.
    const int handle = static_cast<int>(m_port->handle());
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        m_port->close();
        return refuse(inUseText(device));
    }
    m_writeNotifier = new QSocketNotifier(handle, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { sendUnsent(); });
    return true;
}

void QtSerialControl::setCommPort(int port) {
    m_commPort = port;
}

int QtSerialControl::CommPort() const {
    return m_commPort;
}

bool QtSerialControl::setSettings(std::string_view settings) {
    const auto parsed = parseSerialSettings(settings);
    if (!parsed) {
        return false;
    }
    m_settings = *parsed;
    return true;
}

std::string QtSerialControl::Settings() const {
    if (!PortOpen()) {
        return serialSettingsText(m_settings);
    }
    SerialSettings current;
    current.baud = m_port->baudRate();
    current.parity = m_port->parity();
    current.dataBits = m_port->dataBits();
    current.stopBits = m_port->stopBits();
    return serialSettingsText(current);
}

bool QtSerialControl::Output(std::string_view text) {
    if (!PortOpen()) {
        return false;
    }
    // The far end already has the head of the last line: its tail goes before anything else.
    // While the device does not take all of it, this line is dropped.
    if (!m_unsent.isEmpty()) {
        if (!sendUnsent()) {
            return false;
        }
        if (!m_unsent.isEmpty()) {
            return true;
        }
    }
    // Lines of earlier ticks still wait in the device: the far end is not taking them, and a
    // line queued behind them would reach it late. Discarding the waiting ones instead
    // (tcflush) could cut the one being sent, so this line is the one dropped.
    if (deviceHoldsOutput()) {
        return true;
    }
    m_unsent = QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    const qsizetype length = m_unsent.size();
    if (!sendUnsent()) {
        return false;
    }
    if (m_unsent.size() == length) {
        // Nothing of it was taken: it is dropped whole rather than sent late.
        m_unsent.clear();
        m_writeNotifier->setEnabled(false);
    }
    return true;
}

bool QtSerialControl::sendUnsent() {
    const int handle = static_cast<int>(m_port->handle());
    while (!m_unsent.isEmpty()) {
        const ssize_t written = ::write(handle, m_unsent.constData(), static_cast<std::size_t>(m_unsent.size()));
        if (written > 0) {
            m_unsent.remove(0, static_cast<qsizetype>(written));
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            losePort(qt_error_string(written < 0 ? errno : EIO));
            return false;
        }
    }
    if (m_writeNotifier != nullptr) {
        m_writeNotifier->setEnabled(!m_unsent.isEmpty());
    }
    return true;
}

bool QtSerialControl::deviceHoldsOutput() const {
    // A pseudo-terminal always reports 0 here; UARTs and USB converters report what waits.
    int waiting = 0;
    return ::ioctl(static_cast<int>(m_port->handle()), TIOCOUTQ, &waiting) == 0 && waiting > 0;
}

Failure QtSerialControl::lastFailure() const {
    return m_failure;
}

QString QtSerialControl::devicePath() const {
    return m_devicePath;
}

QString QtSerialControl::lastError() const {
    return m_lastError;
}

void QtSerialControl::onError(QSerialPort::SerialPortError error) {
    // Only a device that went away or a failed write lose the port. Failed opens are reported
    // by open() itself, and modem-line calls fail harmlessly on pseudo-terminals.
    if (!PortOpen()) {
        return;
    }
    if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError ||
        (error == QSerialPort::ReadError && hungUp())) {
        losePort(m_port->errorString());
    }
}

bool QtSerialControl::hungUp() const {
    // A pseudo-terminal whose far end closed reads as empty, which QSerialPort reports as a
    // read error again and again; the hang-up itself shows in poll().
    pollfd pfd{static_cast<int>(m_port->handle()), POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void QtSerialControl::losePort(const QString& reason) {
    m_lastError = reason;
    m_lost = true;
    m_unsent.clear();
    if (m_writeNotifier != nullptr) {
        m_writeNotifier->setEnabled(false);
    }
    QMetaObject::invokeMethod(this, &QtSerialControl::closeLostPort, Qt::QueuedConnection);
    emit portLost();
}

void QtSerialControl::closeLostPort() {
    if (m_lost) {
        closePort();
    }
}

}  // namespace pelora
