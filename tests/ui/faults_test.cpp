// Faults around the running window: a serial device that goes away and comes back, a spoilt
// settings file, voyage files that cannot be written and voyage files with odd content. In
// every case the ship keeps running and nothing recorded is lost.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/qt_settings_store.h"
#include "support/failure_text.h"
#include "files/voyage_file.h"
#include "support/file_bytes.h"
#include "support/sentence_check.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

using std::chrono::milliseconds;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

bool isCharacterDevice(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// Sets or clears the immutable attribute, which stops even root from changing a file or
// adding to a folder. False when the attribute is not available here.
bool setImmutable(const QString& path, bool on) {
    return QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), path}) == 0;
}

class FaultWindow : public WindowTest {
protected:
    void tick() {
        clock.advance(milliseconds(1000));
        window->Timer1_Timer();
    }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) {
            tick();
        }
    }
    Lines fixes() const { return Lines(window->voyage().fixes().begin(), window->voyage().fixes().end()); }
    QString status() const { return child<QLabel>("LAB_NMEA")->text(); }
};

// ---------------------------------------------------------------------------------------------
// The serial device goes away while the ship runs and comes back later.

// A single device on COM 1 that can be unplugged: while it is away, opening fails and every
// write fails.
class SerialFault : public FaultWindow {
protected:
    void SetUp() override {
        device.available = {1};
        window = windowWith(device, settings);
    }
    QComboBox* ports() { return child<QComboBox>("cmb_PORT"); }
    // Opens the drop-down list and clicks entry `index`, as the operator does.
    void pickFromList(int index) {
        QCoreApplication::processEvents();  // an operator's pick comes after earlier events are handled
        ports()->showPopup();
        QAbstractItemView* list = ports()->view();
        ASSERT_TRUE(list->isVisible());
        const QRect entry = list->visualRect(list->model()->index(index, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
        ASSERT_FALSE(list->isVisible());
    }

    FakeSerialControl device;
};

TEST_F(SerialFault, DeviceGoneAndBackLosesNoFixAndWritesAgainOnceChosen) {
    ASSERT_EQ(device.opens, 1) << "the probe opens COM 1";
    pickFromList(0);
    ASSERT_EQ(status().toStdString(), "Port:  1: OK");
    EXPECT_EQ(device.opens, 2) << "one pick opens the port once";
    pickFromList(0);
    EXPECT_EQ(device.opens, 3) << "picking the open port's entry again closes it and opens it anew";
    ASSERT_EQ(status().toStdString(), "Port:  1: OK");
    window->CMD_GO_Click(0);
    ticks(3);
    const std::string beforeLoss = device.written;

    device.plugged = false;
    ticks(3);
    EXPECT_FALSE(device.PortOpen());
    EXPECT_TRUE(status().endsWith(": Not Connected.")) << status().toStdString();
    // Choosing another port and COM 1 again while the device is still away fails.
    ports()->setCurrentIndex(1);
    ports()->setCurrentIndex(0);
    EXPECT_EQ(status().toStdString(), "Port:  1: Not Available");
    tick();

    device.plugged = true;
    tick();  // the port is not opened again by itself
    EXPECT_TRUE(status().endsWith(": Not Connected.")) << status().toStdString();
    // Picking COM 1 from the list again, though the list already shows it, opens the device
    // once more.
    ASSERT_EQ(ports()->currentIndex(), 0);
    pickFromList(0);
    EXPECT_EQ(status().toStdString(), "Port:  1: OK");
    EXPECT_EQ(device.opens, 4);
    ticks(2);

    const Lines recorded = fixes();
    ASSERT_EQ(recorded.size(), 10u) << "a fix for every tick, connected or not";
    std::string expected;
    for (std::size_t i : {0u, 1u, 2u}) expected += recorded[i] + "\r\n";
    EXPECT_EQ(beforeLoss, expected);
    for (std::size_t i : {8u, 9u}) expected += recorded[i] + "\r\n";
    EXPECT_EQ(device.written, expected);
    EXPECT_EQ(status().toStdString(), recorded.back());
}

// ---------------------------------------------------------------------------------------------
// The settings file is spoilt before the program starts.

enum class SettingsSpoil { Unreadable, Dangling, Corrupted, Folder, Unwritable, HostileValues };

struct SettingsFaultRow {
    const char* name;
    SettingsSpoil spoil;
    bool loadFails;  // the start-up shows the load failure message and the defaults
    bool saveFails;  // saving at the close question fails and the program stays open
};

void PrintTo(const SettingsFaultRow& row, std::ostream* os) {
    *os << row.name;
}

constexpr char kGoodFile[] =
    "[FRM_NMEA]\ntxt_lat=10N00.0000\ntxt_lon=20E00.0000\ntxt_SPEED=12\ncmb_NMEA=RMC\nchk_sum=1\n";

class SettingsFault : public FaultWindow, public ::testing::WithParamInterface<SettingsFaultRow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        m_hadOld = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        m_old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
        ASSERT_TRUE(QDir().mkpath(folder()));
    }
    void TearDown() override {
        window.reset();
        if (m_immutable) {
            setImmutable(ini(), false);
        }
        QFile(ini()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        if (m_hadOld) {
            qputenv("XDG_CONFIG_HOME", m_old);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
    }

    QString folder() const { return m_home.path() + "/pelora"; }
    QString ini() const { return folder() + "/pelora.ini"; }
    void write(const QByteArray& content) {
        QFile file(ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QByteArray read() const {
        QFile file(ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // Spoils the file as the row says; false when that cannot be done here.
    bool spoil(SettingsSpoil how) {
        write(kGoodFile);
        switch (how) {
        case SettingsSpoil::Unreadable:
            // File modes do not stop root from reading.
            return ::geteuid() != 0 && QFile(ini()).setPermissions(QFileDevice::Permissions());
        case SettingsSpoil::Dangling:
            // A link that leads round in a circle: no user, root included, can open it.
            QFile::remove(ini());
            return ::symlink("pelora.ini", QFile::encodeName(ini()).constData()) == 0;
        case SettingsSpoil::Corrupted:
            write("[FRM_NMEA\n\x01\xff\xfe garbage = = =\n[\n");
            return true;
        case SettingsSpoil::Folder:
            QFile::remove(ini());
            return QDir().mkpath(ini());
        case SettingsSpoil::Unwritable:
            if (::geteuid() != 0) {
                return QFile(ini()).setPermissions(QFile::ReadOwner);
            }
            m_immutable = setImmutable(ini(), true);
            return m_immutable;
        case SettingsSpoil::HostileValues:
            write("[FRM_NMEA]\ntxt_lat=1e999\ntxt_lon=nan\ntxt_SPEED=1e308\ntxt_DIR=inf\ntxt_DPS=-99999\n"
                  "txt_GPS_NOISE=1e999\ntxt_Heavy_Sea=-1e999\ntxt_SHIP_Response=0\nchk_sum=7\nchk_NLZ=-1\n"
                  "chk_GPS_Noise=1\nchk_Heavy_Sea=1\nchk_Ship_Response=1\ncmb_NMEA=XYZ\ncmb_PORT=COM 99\n");
            return true;
        }
        return false;
    }

    QTemporaryDir m_home;
    std::unique_ptr<QtSettingsStore> m_store;
    bool m_hadOld = false;
    QByteArray m_old;
    bool m_immutable = false;
};

TEST_P(SettingsFault, ProgramRunsOnAndTheSpoiltFileIsReportedNotMadeWorse) {
    const SettingsFaultRow& row = GetParam();
    if (!spoil(row.spoil)) {
        GTEST_SKIP() << "cannot spoil the settings file this way here";
    }
    const QByteArray before = read();

    // The window's own settings file under XDG_CONFIG_HOME.
    m_store = std::make_unique<QtSettingsStore>("pelora");
    window = windowWith(serial, *m_store);

    if (row.loadFails) {
        ASSERT_EQ(configDialogs.messages.size(), 1u);
        EXPECT_NE(configDialogs.messages[0].find("Cannot Load Configuration for FRM_NMEA"), std::string::npos)
            << configDialogs.messages[0];
        EXPECT_EQ(child<QLineEdit>("txt_lat")->text(), "54N00.0000") << "the defaults are shown";
    } else {
        EXPECT_TRUE(configDialogs.messages.empty()) << configDialogs.messages[0];
    }

    window->CMD_GO_Click(0);
    ticks(5);
    for (const std::string& fix : fixes()) {
        EXPECT_EQ(sentenceFault(fix), "") << fix;
    }
    EXPECT_TRUE(std::isfinite(window->ship().Ship_Lat) && std::isfinite(window->ship().Ship_Lon));

    // The operator changes a value and answers Yes at the close question.
    child<QLineEdit>("txt_SPEED")->setText("3");
    configDialogs.answer = DialogAnswer::Yes;
    configDialogs.messages.clear();
    window->query_close();
    if (row.saveFails) {
        EXPECT_EQ(endings, 0) << "the program stays open";
        ASSERT_EQ(configDialogs.messages.size(), 1u);
        EXPECT_NE(configDialogs.messages[0].find(ini().toStdString()), std::string::npos)
            << configDialogs.messages[0];
        EXPECT_EQ(read(), before) << "a failed save leaves the file as it was";
        ticks(2);
        EXPECT_EQ(window->voyage().fixCount(), 7u) << "the ship runs on and records";
    } else {
        EXPECT_EQ(endings, 1);
        EXPECT_TRUE(configDialogs.messages.empty()) << configDialogs.messages[0];
        EXPECT_TRUE(read().contains("txt_SPEED=3")) << read().toStdString();
        if (row.spoil == SettingsSpoil::Corrupted) {
            for (const QByteArray& line : before.split('\n')) {
                EXPECT_TRUE(read().contains(line)) << "a damaged line is kept: " << line.toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    SettingsFile, SettingsFault,
    ::testing::Values(SettingsFaultRow{"Unreadable", SettingsSpoil::Unreadable, true, true},
                      SettingsFaultRow{"LinkInACircle", SettingsSpoil::Dangling, true, true},
                      SettingsFaultRow{"Corrupted", SettingsSpoil::Corrupted, false, false},
                      SettingsFaultRow{"FolderInItsPlace", SettingsSpoil::Folder, true, true},
                      SettingsFaultRow{"Unwritable", SettingsSpoil::Unwritable, false, true},
                      SettingsFaultRow{"HostileValues", SettingsSpoil::HostileValues, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Voyage files: saves that cannot succeed, and loads of odd content played back.

class VoyageFault : public FaultWindow {
protected:
    void SetUp() override {
        serial.available = {1};  // the probe opens COM 1: played fixes go out on the port
        FaultWindow::SetUp();
        ASSERT_TRUE(serial.PortOpen());
    }
    std::string path(const char* name) const { return (m_dir.path() + "/" + name).toStdString(); }
    // Saves through the menu; true when no error was shown.
    bool saveAs(const std::string& file) {
        const std::size_t errorsBefore = errors.size();
        fileDialogs.saveNames.push_back(file);
        window->mnuSaveAs_Click();
        return errors.size() == errorsBefore;
    }

    QTemporaryDir m_dir;
};

// The save fails on a full disk: the error is shown, the recording stays whole, the ship runs
// on, and a later save to a sound place writes every fix. The device itself is kept: as root,
// where a replaced /dev entry would do damage, the save goes to a private node of the same
// device.
TEST_F(VoyageFault, SaveToAFullDiskKeepsTheRecordingAndTheDevice) {
    std::string full = "/dev/full";
    if (::geteuid() == 0) {
        full = path("full");
        if (::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
            GTEST_SKIP() << "cannot make a device node here";
        }
    }
    ASSERT_TRUE(isCharacterDevice(full));
    window->CMD_GO_Click(0);
    ticks(4);
    const Lines recorded = fixes();

    EXPECT_FALSE(saveAs(full));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("No space left on device"), std::string::npos) << errors[0];
    EXPECT_TRUE(isCharacterDevice(full));
    EXPECT_TRUE(isCharacterDevice("/dev/full"));
    EXPECT_EQ(fixes(), recorded);

    ticks(1);
    ASSERT_TRUE(saveAs(path("harbour.vyg")));
    const Result<std::vector<std::string>> saved = loadVoyageFile(path("harbour.vyg"));
    ASSERT_TRUE(saved.ok()) << testing::errorText(saved);
    EXPECT_EQ(testing::linesOf(saved).size(), 5u);
    EXPECT_TRUE(std::equal(recorded.begin(), recorded.end(), testing::linesOf(saved).begin()));
}

TEST_F(VoyageFault, SaveIntoAReadOnlyFolderKeepsTheRecordingAndTheOldFile) {
    const QString folder = m_dir.path() + "/locked";
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string file = (folder + "/harbour.vyg").toStdString();
    writeBytes(file, "$GPGLL,old\r\n");
    const bool locked = ::geteuid() == 0 ? setImmutable(folder, true)
                                         : QFile(folder).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    if (!locked) {
        GTEST_SKIP() << "cannot make a read-only folder here";
    }
    window->CMD_GO_Click(0);
    ticks(3);
    const Lines recorded = fixes();

    const bool savedNew = saveAs(file);
    const bool savedBeside = saveAs((folder + "/new.vyg").toStdString());
    if (::geteuid() == 0) {
        setImmutable(folder, false);
    } else {
        QFile(folder).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_FALSE(savedNew);
    EXPECT_FALSE(savedBeside);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find(file), std::string::npos) << errors[0];
    EXPECT_EQ(readBytes(file), "$GPGLL,old\r\n");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"harbour.vyg"});
    EXPECT_EQ(fixes(), recorded);
    tick();
    EXPECT_EQ(window->voyage().fixCount(), recorded.size() + 1);
}

struct OddVoyageRow {
    const char* name;
    std::string content;
    Lines played;                   // what goes out, in order, each followed by CR LF
    const char* refusal = nullptr;  // when set: not a voyage, and the load failure says why
};

void PrintTo(const OddVoyageRow& row, std::ostream* os) {
    *os << row.name;
}

class OddVoyage : public VoyageFault, public ::testing::WithParamInterface<OddVoyageRow> {};

// A voyage file from elsewhere (another program, a receiver's log, a damaged disk) loads and
// plays back fix by fix exactly as it is on disk, and the end of playback sends nothing more;
// binary data or a line far longer than any sentence never reaches the equipment: the load
// is refused and the recording kept.
TEST_P(OddVoyage, PlaysBackEveryLineUnchangedOrIsRefused) {
    const OddVoyageRow& row = GetParam();
    writeBytes(path("odd.vyg"), row.content);
    window->CMD_GO_Click(0);
    ticks(2);
    const std::string writtenBefore = serial.written;
    const Lines recorded = fixes();

    fileDialogs.openNames.push_back(path("odd.vyg"));
    window->mnuLoad_Click();
    if (row.refusal != nullptr) {
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(row.refusal), std::string::npos) << errors[0];
        EXPECT_FALSE(window->voyage().isPlaying());
        EXPECT_TRUE(fixes() == recorded);
        return;
    }
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_TRUE(window->voyage().isPlaying());
    EXPECT_TRUE(fixes() == row.played);

    ticks(static_cast<int>(row.played.size()));
    std::string expected = writtenBefore;
    for (const std::string& line : row.played) {
        expected += line + "\r\n";
    }
    EXPECT_TRUE(serial.written == expected) << "played fixes go out byte for byte";
    ticks(2);  // past the end: an empty sentence each tick, nothing recorded
    EXPECT_TRUE(fixes() == row.played);
}

const std::string kTenMegabyteLine = "$GPGLL," + std::string(10u << 20, '7');

INSTANTIATE_TEST_SUITE_P(
    VoyageFile, OddVoyage,
    ::testing::Values(
        OddVoyageRow{"HighBytesAndBrokenUtf8", "\xff\xfe\x80\r\n$GPGLL,\t1\r\n\xc3\x28", {"\xff\xfe\x80", "$GPGLL,\t1", "\xc3\x28"}},
        OddVoyageRow{"BinaryData", "\x01\x02\xff\xfe\x80\r\n$GPGLL,\x1b[2J\r\n\xc3\x28", {}, "line 1 holds binary data (byte 0x01)"},
        OddVoyageRow{"NulBytes", "\0\0\r\n$GPG\0LL,1\r\n"s, {}, "line 1 holds binary data (byte 0x00)"},
        OddVoyageRow{"TenMegabyteLine", "$GPGLL,1\r\n" + kTenMegabyteLine + "\r\n$GPGLL,2\r\n", {},
                     "line 2 is longer than 1024 characters"},
        OddVoyageRow{"NoLineEndAtAll", "$GPRMC,123456,A,5400.0000,N", {"$GPRMC,123456,A,5400.0000,N"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora::testing
