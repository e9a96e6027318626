#pragma once

#include <QString>

namespace pelora {

// Which device each entry of the port list opens. An entry COM<n>=<device path> in the [Ports]
// group of the per-user settings file comes first; otherwise COM 1-4 are /dev/ttyS0-3,
// COM 5-12 /dev/ttyUSB0-7 and COM 13-16 /dev/ttyACM0-3.
class DeviceMap {
public:
    // Reads the settings file of `application` (the executable's name without folder and
    // extension; empty = this program's).
    explicit DeviceMap(QString application = {});

    // The device path of port `port`; empty for a port outside 1 to 16 (nothing to open).
    // The settings file is read on every call, so an edited [Ports] entry counts at once.
    QString devicePath(int port) const;

    // The device of port `port` when the settings file names none; empty outside 1 to 16.
    static QString defaultDevicePath(int port);

    // The name under which this program keeps its settings: the executable's file name
    // without folder and extension.
    static QString applicationName();

private:
    QString m_application;
};

}  // namespace pelora
