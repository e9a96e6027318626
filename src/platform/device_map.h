#pragma once

#include <QString>

#include "platform/app_identity.h"
#include "platform/qt_settings_store.h"

namespace pelora {

// Which device each entry of the port list opens. An entry COM<n>=<device path> in the [Ports]
// group of the per-user settings file comes first; otherwise COM 1-4 are /dev/ttyS0-3,
// COM 5-12 /dev/ttyUSB0-7 and COM 13-16 /dev/ttyACM0-3. The map never sends to a device the
// user did not name when what the user named cannot be read: a settings file that exists but
// cannot be read, or a damaged COM<n> entry, gives no device for that port.
class DeviceMap {
public:
    // Reads the settings file of `application` (the executable's name without folder and
    // extension; empty = this program's), where settingsFilePath says it lives.
    explicit DeviceMap(QString application = {});

    // The device path of port `port`; empty for a port outside 1 to 16, and for a port whose
    // entry cannot be read (nothing to open). The settings file is looked at on every call, so
    // an edited [Ports] entry counts at once.
    QString devicePath(int port) const;

    // The device of port `port` when the settings file names none; empty outside 1 to 16.
    static QString defaultDevicePath(int port);

private:
    QString m_application;
    QtSettingsStore m_store;
};

}  // namespace pelora
