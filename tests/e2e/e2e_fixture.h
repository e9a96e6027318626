#pragma once

// The real main window with its real serial port and real settings file, in a temporary
// $XDG_CONFIG_HOME; only what waits for a person (message boxes, the file dialogs, help, the
// browser, About) and the end of the event loop are stood in for. Peers are socat
// pseudo-terminal pairs, mapped as COM ports in the settings file's [Ports] group.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/device_map.h"
#include "platform/qt_serial_control.h"
#include "platform/qt_settings_store.h"
#include "platform/serial_peers.h"
#include "ui/window_fixture.h"

namespace pelora::testing {

using namespace std::chrono_literals;

inline constexpr char kApplication[] = "pelora";

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveProgram(QStringLiteral("socat"))) {
            GTEST_SKIP() << "socat is not installed";
        }
        m_settings = std::make_unique<TempSettings>(QString::fromLatin1(kApplication));
    }

    void TearDown() override {
        window.reset();
        serial.reset();
        pairs.clear();
        for (const QString& path : m_immutable) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        }
    }

    // Starts a new socat pair and maps it as COM `port`; the pair lives until the test ends.
    SocatPair& startPair(int port) {
        auto pair = std::make_unique<SocatPair>(m_settings->path(),
                                                QUuid::createUuid().toString(QUuid::Id128).left(12));
        EXPECT_TRUE(pair->start()) << "socat did not start";
        mapPort(port, pair->near());
        pairs.push_back(std::move(pair));
        return *pairs.back();
    }

    void mapPort(int port, const QString& device) { m_settings->mapPort(port, device); }

    // Maps every COM entry that has no pair to a path where no device exists, so that no real
    // serial port of the machine is ever opened.
    void mapMissing(int port) { mapPort(port, m_settings->path() + QStringLiteral("/no-such-device-%1").arg(port)); }

    QString iniPath() const {
        return m_settings->path() + '/' + kApplication + '/' + kApplication + ".ini";
    }

    QByteArray iniBytes() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList iniKeys(const QString& group) const {
        QSettings ini(iniPath(), QSettings::IniFormat);
        ini.beginGroup(group);
        QStringList keys = ini.childKeys();
        keys.sort();
        return keys;
    }

    QString folder() const { return m_settings->path(); }

    // Makes the settings file refuse writes: by its mode, or for root (whom modes do not stop)
    // by the immutable attribute. False when neither works here.
    bool makeUnwritable() {
        const QString path = iniPath();
        if (::geteuid() != 0) {
            return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                   QFileDevice::ReadOther);
        }
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0) {
            return false;
        }
        m_immutable.push_back(path);
        return true;
    }

    // A new window over the real port and settings file, as the program starts it; the tick
    // timer is stopped so that the test decides when a step happens.
    FRM_NMEA& startWindow() {
        window.reset();
        simulation.reset();
        serial.reset();
        store.reset();
        deviceMap = std::make_unique<DeviceMap>(QString::fromLatin1(kApplication));
        serial = std::make_unique<QtSerialControl>(
            [map = deviceMap.get()](int port) { return map->devicePath(port); });
        store = std::make_unique<QtSettingsStore>(kApplication);
        simulation = std::make_unique<Simulation>(
            SimulationServices{clock, random, *serial, outputs, *store, kApplication, "/tmp/pelora-e2e/ttyNMEA"});
        window = std::make_unique<FRM_NMEA>(*simulation, WindowServices{clock, ticker, *store, configDialogs, fileDialogs,
                                                                        dialogs, helpViewer, browser, programEnd,
                                                                        kApplication});
        return *window;
    }

    // One step a second later, the clock's time of day moving with it.
    void tick() {
        clock.advance(1000ms);
        const QDateTime next = QDateTime(QDate(clock.local.year, clock.local.month, clock.local.day),
                                         QTime(clock.local.hour, clock.local.minute, clock.local.second))
                                   .addSecs(1);
        clock.local = {next.date().year(), next.date().month(), next.date().day(),
                       next.time().hour(), next.time().minute(), next.time().second()};
        window->Timer1_Timer();
    }

    template <typename T>
    T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    std::string status() const { return child<QLabel>("LAB_NMEA")->text().toStdString(); }
    std::string baudText() const { return child<QLabel>("Lab_BaudRate")->text().toStdString(); }
    QComboBox& portList() const { return *child<QComboBox>("cmb_PORT"); }
    QComboBox& sentenceList() const { return *child<QComboBox>("cmb_NMEA"); }
    QLineEdit& field(const char* name) const { return *child<QLineEdit>(name); }

    // The operator picks entry `index` from the port list's drop-down, also when it is the
    // entry already selected.
    void pickPort(int index) {
        QComboBox& list = portList();
        QCoreApplication::processEvents();  // an operator's pick comes after earlier events are handled
        list.showPopup();
        QAbstractItemView* view = list.view();
        ASSERT_TRUE(view->isVisible()) << "the drop-down did not open";
        const QRect item = view->visualRect(list.model()->index(index, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
        QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), 1000);
        ASSERT_EQ(list.currentIndex(), index);
    }

    FakeClock clock;
    FixedRandom random;
    ManualTicker ticker;
    FakeOutputMaker outputs;
    QueuedFileDialogs fileDialogs;
    FakeConfigDialogs configDialogs;
    FakeWindowDialogs dialogs;
    RecordingHelpViewer helpViewer;
    RecordingBrowser browser;
    CountingProgramEnd programEnd;
    int& endings = programEnd.endings;
    std::vector<std::string>& errors = dialogs.errors;
    std::vector<std::string>& notices = dialogs.notices;
    std::vector<std::unique_ptr<SocatPair>> pairs;
    std::unique_ptr<DeviceMap> deviceMap;
    std::unique_ptr<QtSerialControl> serial;
    std::unique_ptr<QtSettingsStore> store;
    std::unique_ptr<Simulation> simulation;
    std::unique_ptr<FRM_NMEA> window;

private:
    std::unique_ptr<TempSettings> m_settings;
    QStringList m_immutable;
};

// Reads from the far end until a whole line (ending CR LF) arrived or `timeout` passed.
inline std::string readLine(FarEnd& far, std::chrono::milliseconds timeout = 2000ms) {
    std::string received;
    QDeadlineTimer deadline(timeout);
    while (received.find("\r\n") == std::string::npos && !deadline.hasExpired()) {
        received += far.read(1, 50ms);
    }
    return received;
}

}  // namespace pelora::testing
