#pragma once

// A temporary $XDG_CONFIG_HOME for tests of the settings file, and ways to spoil that file.

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
