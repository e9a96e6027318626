#include "platform/device_map.h"

#include <string>

namespace pelora {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 16;
constexpr char kPortsGroup[] = "Ports";

struct DeviceRange {
    int firstPort;
    int lastPort;
    const char* prefix;
};

constexpr DeviceRange kDefaultRanges[] = {
    {1, 4, "/dev/ttyS"},
    {5, 12, "/dev/ttyUSB"},
    {13, 16, "/dev/ttyACM"},
};

}  // namespace

DeviceMap::DeviceMap(QString application)
    : m_application(application.isEmpty() ? QString::fromStdString(executableName()) : std::move(application)),
      m_store(m_application.toStdString()) {}

QString DeviceMap::devicePath(int port) const {
    if (port < kFirstPort || port > kLastPort) {
        return {};
    }
    const QtSettingsStore::Entry entry =
        m_store.readEntry(m_application.toStdString(), kPortsGroup, "COM" + std::to_string(port));
    if (entry.error || (entry.value && entry.value->damaged)) {
        // The user may have named another device here: opening the default one could send to
        // equipment that must not get these sentences.
        return {};
    }
    const QString mapped = entry.value ? QString::fromStdString(entry.value->text).trimmed() : QString();
    return mapped.isEmpty() ? defaultDevicePath(port) : mapped;
}

QString DeviceMap::defaultDevicePath(int port) {
    for (const DeviceRange& range : kDefaultRanges) {
        if (port >= range.firstPort && port <= range.lastPort) {
            return QString::fromLatin1(range.prefix) + QString::number(port - range.firstPort);
        }
    }
    return {};
}

}  // namespace pelora
