#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "nmea/serial_control.h"

namespace pelora {

// The framing of a serial line.
struct SerialSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Reads a settings text "baud,parity,data bits,stop bits" ("4800,N,8,1"; a positive baud rate;
// parity N, E, O, M or S in either case; 5 to 8 data bits; 1, 1.5 or 2 stop bits).
// Returns nothing for anything else.
std::optional<SerialSettings> parseSerialSettings(std::string_view text);

// Writes settings back as text, parity in capitals: "4800,N,8,1".
std::string serialSettingsText(const SerialSettings& settings);

// The serial control over QSerialPort. A port number becomes a device path through the lookup
// given at construction (normally DeviceMap::devicePath); the path is resolved to the real
// device first, so every name of one device (a link, /dev/serial/by-id/...) shares one lock.
// A port is refused before it is opened when the kernel says no UART stands behind it (a
// /dev/ttyS<n> of a machine without that serial port) or when this user may not open it.
// Opens with the settings' baud rate, parity, data and stop bits, no flow control, leaves the
// modem lines alone and holds an exclusive advisory lock (flock) on the device while open.
// Output writes straight to the device without waiting: a line goes out whole or not at all,
// and nothing is queued behind a line the device has not taken (see SerialControl::Output).
// A device that goes away (ResourceError, or a hang-up seen as a read error) or a failed write
// closes the port: PortOpen reads false from then on and portLost() is emitted. A far end that
// only stops reading never does.
class QtSerialControl : public QObject, public SerialControl {
    Q_OBJECT

public:
    using DeviceLookup = std::function<QString(int port)>;

    // Where the kernel describes each terminal device: <folder>/<device name>/type holds the
    // UART type of a serial port, 0 when no UART was found there.
    static constexpr const char* kTtyClassFolder = "/sys/class/tty";

    explicit QtSerialControl(DeviceLookup lookup, QObject* parent = nullptr);
    // As above, with the kernel's description of the terminals read from `ttyClassFolder`
    // instead of kTtyClassFolder.
    QtSerialControl(DeviceLookup lookup, QString ttyClassFolder, QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool PortOpen() const override;
    bool setPortOpen(bool open) override;
    void setCommPort(int port) override;
    int CommPort() const override;
    std::string device() const override { return m_devicePath.toStdString(); }
    bool setSettings(std::string_view settings) override;
    std::string Settings() const override;
    Failure lastFailure() const override;
    bool Output(std::string_view text) override;

    // The device path of the last open attempt, as the lookup gave it (empty before the first).
    QString devicePath() const;
    // The system's description of the last failure to open or of the loss of the port
    // ("" when none).
    QString lastError() const;

signals:
    // The open port was lost: its device went away or a write failed.
    void portLost();

private:
    bool openDevice();
    bool refuse(const QString& reason, int errorNumber = 0);
    bool sendUnsent();
    bool deviceHoldsOutput() const;
    void onError(QSerialPort::SerialPortError error);
    void losePort(const QString& reason);
    void closeLostPort();
    void closePort();
    bool hungUp() const;

    DeviceLookup m_lookup;
    QString m_ttyClassFolder;
    QSerialPort* m_port;
    // Watches for room on the device while the tail of a line waits; exists while a port is open.
    QSocketNotifier* m_writeNotifier = nullptr;
    int m_commPort = 1;
    SerialSettings m_settings;
    QString m_devicePath;
    QString m_lastError;
    Failure m_failure;
    // The part of the last line the device has not taken yet; its head is already out.
    QByteArray m_unsent;
    // Set when the open port failed; the port itself is closed from the event loop, since
    // QSerialPort may still be inside the call that reported the failure.
    bool m_lost = false;
};

}  // namespace pelora
