// Whole files as bytes, for tests that check what was written byte for byte.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <string>

namespace pelora {

// Every byte of the file at `path`, NULs included; "<missing>" when it cannot be opened.
inline std::string readBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Replaces the file at `path` with `content`; fails the test when it cannot.
inline void writeBytes(const std::string& path, const std::string& content) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content.data(), static_cast<qint64>(content.size())), static_cast<qint64>(content.size()));
}

}  // namespace pelora
