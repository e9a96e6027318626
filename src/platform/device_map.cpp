#include "platform/device_map.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace pelora {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 16;

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
    : m_application(application.isEmpty() ? applicationName() : std::move(application)) {}

QString DeviceMap::devicePath(int port) const {
    if (port < kFirstPort || port > kLastPort) {
        return {};
    }
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, m_application, m_application);
    settings.beginGroup(QStringLiteral("Ports"));
    const QVariant value = settings.value(QStringLiteral("COM%1").arg(port));
    // A path written by hand with a comma and no quotes reads back as a list: join it again,
    // or the port would silently open the default device instead of the one named.
    const QString mapped = (value.typeId() == QMetaType::QStringList
                                ? value.toStringList().join(QLatin1Char(','))
                                : value.toString())
                               .trimmed();
    settings.endGroup();
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

QString DeviceMap::applicationName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

}  // namespace pelora
