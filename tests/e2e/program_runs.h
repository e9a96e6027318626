#pragma once

// The built program run headless from its defaults (--headless --defaults) in a private settings
// and runtime folder, with no display, for the tests that hand its output to real consumers; and
// the consumers themselves: programs run to their end, gpsd's JSON reports, the Python checks.

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial_peers.h"

namespace pelora::testing {

using namespace std::chrono_literals;

// What a program run to its end left: its exit status (-1 when it did not end by itself in time)
// and what it wrote.
struct Finished {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class ProgramRuns {
public:
    ProgramRuns() { EXPECT_TRUE(m_home.isValid()); }
    ~ProgramRuns() {
        for (const std::unique_ptr<QProcess>& process : m_processes) stopProcess(*process);
    }
    ProgramRuns(const ProgramRuns&) = delete;
    ProgramRuns& operator=(const ProgramRuns&) = delete;

    QString path(const QString& name) const { return m_home.path() + '/' + name; }

    // Starts the program with --headless --defaults and `arguments`; `timeZone` set as TZ when
    // not empty; its standard output to the file `output` when given. It is stopped when this
    // object goes.
    QProcess& start(const QStringList& arguments, const QString& timeZone = {}, const QString& output = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TZ"}) environment.remove(name);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
        if (!timeZone.isEmpty()) environment.insert(QStringLiteral("TZ"), timeZone);
        return launch(QStringLiteral(PELORA_BUILD_DIR "/pelora"), QStringList{"--headless", "--defaults"} + arguments,
                      environment, output);
    }

    // Any other program, started with this process's environment.
    QProcess& launch(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                     const QString& output = {}) {
        m_processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *m_processes.back();
        process.setProcessEnvironment(environment);
        if (!output.isEmpty()) process.setStandardOutputFile(output);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForStarted(5000)) << program.toStdString();
        return process;
    }

    // Waits for a started process to end by itself within `within`.
    static Finished finish(QProcess& process, std::chrono::milliseconds within = 60s) {
        Finished finished;
        if (process.waitForFinished(static_cast<int>(within.count())) && process.exitStatus() == QProcess::NormalExit) {
            finished.status = process.exitCode();
        }
        finished.out = process.readAllStandardOutput();
        finished.err = process.readAllStandardError();
        return finished;
    }

    // The program run as fast as it can (--fast --quiet) with `arguments`; what it wrote to
    // standard output (give --output - for the bytes on the wire). Standard output is a file:
    // a pipe drops what its reader has not taken yet, as every output of the program does.
    Finished fast(const QStringList& arguments, const QString& timeZone = {}) {
        const QString output = path(QStringLiteral("stdout-%1").arg(m_processes.size()));
        Finished finished = finish(start(QStringList{"--fast", "--quiet"} + arguments, timeZone, output));
        finished.out = read(output);
        return finished;
    }

    // Another program run to its end with `arguments`.
    Finished run(const QString& program, const QStringList& arguments, std::chrono::milliseconds within = 60s) {
        return finish(launch(program, arguments), within);
    }

    // Writes `bytes` to the file `name` in the private folder; its path.
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << file.fileName().toStdString();
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray read(const QString& file) {
        QFile opened(file);
        return opened.open(QIODevice::ReadOnly) ? opened.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_home;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// The JSON objects of gpsd's watcher output (one a line) of class `kind`.
inline std::vector<QJsonObject> reportsOf(const QByteArray& json, const QString& kind) {
    std::vector<QJsonObject> reports;
    for (const QByteArray& line : json.split('\n')) {
        const QJsonObject report = QJsonDocument::fromJson(line).object();
        if (report.value(QStringLiteral("class")).toString() == kind) reports.push_back(report);
    }
    return reports;
}

// The lines of NMEA text, without their CR LF.
inline QList<QByteArray> nmeaLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (!line.isEmpty()) lines << line;
    }
    return lines;
}

// The comma-separated fields of a sentence, its checksum left off.
inline QList<QByteArray> fieldsOf(QByteArray sentence) {
    if (const qsizetype star = sentence.lastIndexOf('*'); star >= 0) sentence.truncate(star);
    return sentence.split(',');
}

// Degrees from NMEA's (d)ddmm.mmmm and its hemisphere letter.
inline double nmeaDegrees(const QByteArray& value, const QByteArray& hemisphere) {
    const double number = value.toDouble();
    const double degrees = std::floor(number / 100) + std::fmod(number, 100) / 60;
    return hemisphere == "S" || hemisphere == "W" ? -degrees : degrees;
}

// Connects to a loopback port until something listens there, at most `within`.
inline bool listening(int port, std::chrono::milliseconds within) {
    QDeadlineTimer deadline(within);
    do {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
        if (probe.waitForConnected(100)) return true;
        QThread::msleep(20);
    } while (!deadline.hasExpired());
    return false;
}

// gpsd's reports until `enough` of them came or `within` passed.
inline std::vector<QJsonObject> gpsdReports(QProcess& gpspipe, const std::function<bool(const std::vector<QJsonObject>&)>& enough,
                                     std::chrono::milliseconds within) {
    std::vector<QJsonObject> reports;
    QByteArray pending;
    QDeadlineTimer deadline(within);
    while (!enough(reports) && !deadline.hasExpired()) {
        if (!gpspipe.waitForReadyRead(100)) continue;
        pending += gpspipe.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QJsonObject report = QJsonDocument::fromJson(pending.left(end)).object();
            if (!report.isEmpty()) reports.push_back(report);
        }
    }
    return reports;
}

inline bool haveConsumers(std::initializer_list<const char*> programs) {
    for (const char* program : programs) {
        if (!haveProgram(QString::fromLatin1(program))) return false;
    }
    return true;
}

// The checks the tests ask of Python's consumers (pynmea2, GeographicLib): see the script.
inline QString consumerChecks() { return QStringLiteral(PELORA_SOURCE_DIR "/tests/e2e/consumer_checks.py"); }
inline QString debianPython() { return QStringLiteral("/usr/bin/python3"); }

}  // namespace pelora::testing
