#include "platform/qt_serial_control.h"

#include "text/text.h"

#include <QFileInfo>
#include <QMetaObject>

#include <poll.h>

#include <cerrno>

#include <charconv>
#include <utility>

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

// Whether a write to the device would go through without waiting (and the device is still there).
bool takesBytesNow(int handle) {
    pollfd pfd{handle, POLLOUT, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLOUT) != 0 &&
           (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
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
    : QObject(parent), m_lookup(std::move(lookup)), m_port(new QSerialPort(this)) {
    connect(m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::onError);
    // Whatever the far end sends back is not used; reading it keeps the buffer from growing.
    connect(m_port, &QSerialPort::readyRead, m_port, [this] { m_port->readAll(); });
}

QtSerialControl::~QtSerialControl() {
    closePort();
}

void QtSerialControl::closePort() {
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
        m_lastError = QStringLiteral("The port is already open");
        return false;
    }
    closePort();  // a lost port whose close is still pending
    m_lost = false;

    m_devicePath = m_lookup ? m_lookup(m_commPort) : QString();
    if (m_devicePath.isEmpty()) {
        m_lastError = QStringLiteral("No device for port %1").arg(m_commPort);
        return false;
    }
    // A device that is not there fails at once. QSerialPort would first write and sync a lock
    // file for it (some 10 ms on a disk each), which made the start-up probe slow to pass the
    // missing converters; the outcome and the error text are the same.
    if (!QFileInfo::exists(m_devicePath)) {
        m_lastError = qt_error_string(ENOENT);
        return false;
    }
    m_port->setPortName(m_devicePath);
    m_port->setBaudRate(m_settings.baud);
    m_port->setParity(m_settings.parity);
    m_port->setDataBits(m_settings.dataBits);
    m_port->setStopBits(m_settings.stopBits);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_lastError = m_port->errorString();
        m_port->clearError();
        return false;
    }
    m_port->clearError();
    m_lastError.clear();
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
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (m_port->bytesToWrite() + bytes.size() > kMaxPendingBytes) {
        losePort(QStringLiteral("The port does not take the output"));
        return false;
    }
    const bool nothingPending = m_port->bytesToWrite() == 0;
    if (m_port->write(bytes) != bytes.size()) {
        losePort(m_port->errorString());
        return false;
    }
    // Hand the sentence to the device now rather than on the event loop's next pass, which runs
    // the window's repaint (and its round trip to the display server) first: the line then keeps
    // the timer's beat whatever the screen is doing. Only when the device takes bytes without
    // waiting; otherwise, or with a backlog, the event loop sends them as before.
    if (nothingPending && takesBytesNow(static_cast<int>(m_port->handle()))) {
        m_port->flush();
    }
    return true;
}

PortFailure QtSerialControl::lastFailure() const {
    if (m_lastError.isEmpty()) {
        return {};
    }
    return {m_devicePath.toStdString(), m_lastError.toStdString(), false};
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
    QMetaObject::invokeMethod(this, &QtSerialControl::closeLostPort, Qt::QueuedConnection);
    emit portLost();
}

void QtSerialControl::closeLostPort() {
    if (m_lost) {
        closePort();
    }
}

}  // namespace pelora
