#pragma once

// A temporary $XDG_CONFIG_HOME for tests of the settings file, and ways to spoil that file.

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pelora::test {

// A small tmpfs mounted on a folder for the life of the object, for a disk that fills up.
// Mounting needs root (or CAP_SYS_ADMIN); `error()` says why it failed otherwise.
class SmallDisk {
public:
    SmallDisk(const QString& folder, int kibibytes) : m_folder(QFile::encodeName(folder).toStdString()) {
        QDir().mkpath(folder);
        const std::string options = "size=" + std::to_string(kibibytes) + "k,mode=0755";
        if (::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            m_error = std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (m_error.empty()) ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const std::string& error() const { return m_error; }

    // Fills the disk with a file `name` until it is full, then gives back one page, so that
    // less room is left than a settings file of a few pages needs. True when the disk ended up
    // full that way.
    bool fillLeavingOnePage(const std::string& name) {
        const std::string path = m_folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        const std::string page(kPage, 'x');
        off_t size = 0;
        ssize_t written = 0;
        while ((written = ::write(fd, page.data(), page.size())) == static_cast<ssize_t>(page.size())) {
            size += written;
        }
        const bool full = written >= 0 ? false : errno == ENOSPC;
        const bool ok = full && ::ftruncate(fd, size - kPage) == 0;
        ::close(fd);
        return ok;
    }

private:
    static constexpr off_t kPage = 4096;
    std::string m_folder;
    std::string m_error;
};

// While alive, this thread checks file permissions as the user `uid` (root loses the right to
// pass over file modes), so that a folder without write permission refuses root too.
class FileChecksAsUser {
public:
    explicit FileChecksAsUser(uid_t uid) : m_old(static_cast<uid_t>(::setfsuid(uid))) {
        m_active = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) == uid;
    }
    ~FileChecksAsUser() { ::setfsuid(m_old); }
    FileChecksAsUser(const FileChecksAsUser&) = delete;
    FileChecksAsUser& operator=(const FileChecksAsUser&) = delete;
    bool active() const { return m_active; }

private:
    uid_t m_old;
    bool m_active = false;
};

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        m_hadOld = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        m_old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
    }

    void TearDown() override {
        for (const QString& path : m_immutable) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        }
        if (m_hadOld) {
            qputenv("XDG_CONFIG_HOME", m_old);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
    }

    QString home() const { return m_home.path(); }
    QString iniPath(const QString& app = QStringLiteral("pelora")) const {
        return m_home.path() + '/' + app + '/' + app + ".ini";
    }

    void writeFile(const QByteArray& content, const QString& app = QStringLiteral("pelora")) {
        QDir().mkpath(m_home.path() + '/' + app);
        QFile file(iniPath(app));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    QByteArray readFile(const QString& app = QStringLiteral("pelora")) const {
        QFile file(iniPath(app));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool makeUnwritable() { return makeUnwritable(iniPath()); }

    // Puts an empty folder where the settings file belongs.
    void folderInPlaceOfFile() {
        QFile::remove(iniPath());
        ASSERT_TRUE(QDir().mkpath(iniPath()));
    }

    // Makes the existing settings file refuse writes: by its mode, or for root (whom modes do
    // not stop) by the immutable attribute. False when neither works here.
    bool makeUnwritable(const QString& path) {
        if (::geteuid() != 0) {
            return ::chmod(QFile::encodeName(path).constData(), 0444) == 0;
        }
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0) {
            return false;
        }
        m_immutable.push_back(path);
        return true;
    }

private:
    QTemporaryDir m_home;
    bool m_hadOld = false;
    QByteArray m_old;
    QStringList m_immutable;
};

}  // namespace pelora::test
