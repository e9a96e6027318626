#include "platform/qt_settings_store.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

namespace pelora {
namespace {

constexpr char kFallbackName[] = "pelora";

SettingsError errorFromErrno(int number) { return {number, std::strerror(number)}; }

// Finds why a settings file cannot be read; nothing when it can, or when it does not exist
// (then nothing is stored yet).
std::optional<SettingsError> probeRead(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        return errno == ENOENT ? std::nullopt : std::optional(errorFromErrno(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return errorFromErrno(EISDIR);
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errorFromErrno(errno);
    }
    ::close(fd);
    return std::nullopt;
}

// Finds why a settings file cannot be written: a folder in its place, no write permission,
// or a part of its folder path that is no folder.
std::optional<SettingsError> probeWrite(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return errorFromErrno(EISDIR);
        }
        const int fd = ::open(native.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            return errorFromErrno(errno);
        }
        ::close(fd);
        return std::nullopt;
    }
    if (errno != ENOENT) {
        return errorFromErrno(errno);
    }
    // The file is new: every existing part of its folder path must be a writable folder.
    QFileInfo folder(QFileInfo(path).absolutePath());
    while (!folder.exists() && !folder.isRoot()) {
        folder = QFileInfo(folder.absolutePath());
    }
    const QByteArray folderNative = QFile::encodeName(folder.absoluteFilePath());
    if (::stat(folderNative.constData(), &info) != 0) {
        return errorFromErrno(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return errorFromErrno(ENOTDIR);
    }
    if (::access(folderNative.constData(), W_OK | X_OK) != 0) {
        return errorFromErrno(errno);
    }
    return std::nullopt;
}

SettingsError unparsable() { return {EINVAL, "the file is not a valid settings file"}; }

}  // namespace

std::string applicationName() {
    QString name;
    if (QCoreApplication::instance() != nullptr) {
        name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    }
    return name.isEmpty() ? std::string(kFallbackName) : name.toStdString();
}

QString userSettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QtSettingsStore::QtSettingsStore(std::string application, QString folder)
    : m_application(std::move(application)), m_folder(std::move(folder)) {}

QString QtSettingsStore::fileFor(const std::string& application) const {
    const QString name = QString::fromStdString(application);
    return m_folder + QLatin1Char('/') + name + QLatin1Char('/') + name + QStringLiteral(".ini");
}

std::string QtSettingsStore::location() const { return fileFor(m_application).toStdString(); }

SettingRead QtSettingsStore::GetSetting(const std::string& application, const std::string& section,
                                        const std::string& key) {
    const QString path = fileFor(application);
    if (std::optional<SettingsError> error = probeRead(path)) {
        return {"", std::move(error)};
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QString::fromStdString(section));
    const QVariant value = settings.value(QString::fromStdString(key));
    settings.endGroup();
    switch (settings.status()) {
        case QSettings::NoError:
            break;
        case QSettings::AccessError:
            return {"", probeRead(path).value_or(errorFromErrno(EIO))};
        case QSettings::FormatError:
            return {"", unparsable()};
    }
    // An unquoted value with commas, as someone may write by hand, comes back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return {value.toStringList().join(QLatin1Char(',')).toStdString(), std::nullopt};
    }
    return {value.toString().toStdString(), std::nullopt};
}

std::optional<SettingsError> QtSettingsStore::SaveSetting(const std::string& application,
                                                          const std::string& section,
                                                          const std::string& key,
                                                          const std::string& value) {
    const QString path = fileFor(application);
    if (std::optional<SettingsError> error = probeWrite(path)) {
        return error;
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QString::fromStdString(section));
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings.endGroup();
    settings.sync();
    // A format error here only says that the old file had lines QSettings could not read; the
    // file has just been written anew. An access error means the value did not reach the disk.
    if (settings.status() == QSettings::AccessError) {
        return probeWrite(path).value_or(errorFromErrno(EIO));
    }
    return std::nullopt;
}

std::optional<SettingsError> QtSettingsStore::saveSettings(
    const std::string& application, const std::string& section,
    const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [key, value] : entries) {
        if (std::optional<SettingsError> error = SaveSetting(application, section, key, value)) {
            return error;
        }
    }
    return std::nullopt;
}

}  // namespace pelora
