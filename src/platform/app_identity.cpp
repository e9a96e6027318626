#include "platform/app_identity.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace pelora {
namespace {

constexpr char kFallbackName[] = "pelora";

}  // namespace

std::string executableName() {
    QString name;
    if (QCoreApplication::instance() != nullptr) {
        name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    }
    return name.isEmpty() ? std::string(kFallbackName) : name.toStdString();
}

QString userSettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString settingsFilePath(const std::string& application, const QString& folder) {
    const QString name = QString::fromStdString(application);
    return folder + QLatin1Char('/') + name + QLatin1Char('/') + name + QStringLiteral(".ini");
}

}  // namespace pelora
