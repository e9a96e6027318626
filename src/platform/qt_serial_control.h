#pragma once

#include <QObject>
#include <QSerialPort>
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
// given at construction (normally DeviceMap::devicePath). Opens with the settings' baud rate,
// parity, data and stop bits, no flow control, and leaves the modem lines alone. Writes are
// buffered by QSerialPort and sent from the event loop, so Output never blocks.
// A device that goes away (ResourceError, or a hang-up seen as a read error) or a failed write
// closes the port: PortOpen reads false from then on and portLost() is emitted.
class QtSerialControl : public QObject, public SerialControl {
    Q_OBJECT

public:
    using DeviceLookup = std::function<QString(int port)>;

    // Most bytes waiting to be sent; a port that cannot take more counts as failed.
    static constexpr qint64 kMaxPendingBytes = 1 << 20;

    QtSerialControl(DeviceLookup lookup, QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool PortOpen() const override;
    bool setPortOpen(bool open) override;
    void setCommPort(int port) override;
    int CommPort() const override;
    bool setSettings(std::string_view settings) override;
    std::string Settings() const override;
    PortFailure lastFailure() const override;
    bool Output(std::string_view text) override;

    // The device path of the last open attempt (empty before the first).
    QString devicePath() const;
    // The system's description of the last failure ("" when none).
    QString lastError() const;

signals:
    // The open port was lost: its device went away or a write failed.
    void portLost();

private:
    void onError(QSerialPort::SerialPortError error);
    void losePort(const QString& reason);
    void closeLostPort();
    void closePort();
    bool hungUp() const;

    DeviceLookup m_lookup;
    QSerialPort* m_port;
    int m_commPort = 1;
    SerialSettings m_settings;
    QString m_devicePath;
    QString m_lastError;
    // Set when the open port failed; the port itself is closed from the event loop, since
    // QSerialPort may still be inside the call that reported the failure.
    bool m_lost = false;
};

}  // namespace pelora
