// Restart cycles of the real window through its real settings file: what the operator leaves
// in the controls, the sentence type and the port included, comes back at the next start.

#include <QDir>

#include "e2e_fixture.h"
#include "platform/device_map.h"
#include "support/sentence_check.h"

namespace pelora::testing {
namespace {

const std::string kSaveQuestion = "Tarnvel: The configuration settings have changed. Save new values?";

const QStringList kStoredKeys = [] {
    QStringList keys{"txt_lat",       "txt_lon",           "txt_SPEED",     "txt_DIR",
                     "txt_ROT",       "txt_DPS",           "txt_GPS_NOISE", "txt_Heavy_Sea",
                     "txt_SHIP_Response", "chk_sum",       "chk_NLZ",       "chk_GPS_Noise",
                     "chk_Heavy_Sea", "chk_Ship_Response", "cmb_NMEA",      "cmb_PORT"};
    keys.sort();
    return keys;
}();

class SettingsEndToEndTest : public EndToEndTest {
protected:
    // First run: the operator sets 12 knots, RMC and COM 2, closes and answers Yes.
    void firstRunSaves() {
        startWindow();
        ASSERT_EQ(status(), "Port:  1: OK");
        field("txt_SPEED").setText(QStringLiteral("12"));
        sentenceList().setCurrentIndex(2);
        pickPort(1);
        ASSERT_EQ(status(), "Port:  2: OK");
        configDialogs.answer = DialogAnswer::Yes;
        window->close();
        ASSERT_EQ(endings, 1);
        configDialogs.questions.clear();
    }
};

TEST_F(SettingsEndToEndTest, YesStoresTheSixteenEntriesAndTheRestartShowsThemOnTheSamePort) {
    SocatPair& first = startPair(1);
    SocatPair& second = startPair(2);
    startWindow();
    EXPECT_TRUE(configDialogs.messages.empty()) << "nothing stored yet is no failure";
    field("txt_SPEED").setText(QStringLiteral("12"));
    sentenceList().setCurrentIndex(2);
    pickPort(1);
    EXPECT_EQ(status(), "Port:  2: OK");

    configDialogs.answer = DialogAnswer::Yes;
    window->close();
    EXPECT_EQ(configDialogs.questions, std::vector<std::string>{kSaveQuestion});
    EXPECT_EQ(endings, 1);
    EXPECT_FALSE((*serial).PortOpen()) << "ending releases the port";

    EXPECT_EQ(iniKeys(QStringLiteral("FRM_NMEA")), kStoredKeys);
    EXPECT_EQ(iniKeys(QStringLiteral("Ports")), (QStringList{"COM1", "COM2"})) << "the device map is kept";
    QSettings ini(iniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("FRM_NMEA/txt_SPEED").toString(), "12");
    EXPECT_EQ(ini.value("FRM_NMEA/cmb_NMEA").toString(), "RMC");
    EXPECT_EQ(ini.value("FRM_NMEA/cmb_PORT").toString(), "COM 2");
    EXPECT_EQ(ini.value("Ports/COM2").toString(), second.near());

    // The restart.
    configDialogs.questions.clear();
    startWindow();
    EXPECT_TRUE(configDialogs.messages.empty());
    EXPECT_EQ(field("txt_SPEED").text(), "12");
    EXPECT_EQ(field("txt_lat").text(), "54N00.0000");
    EXPECT_EQ(sentenceList().currentText(), "RMC");
    EXPECT_EQ(portList().currentText(), "COM 2");
    EXPECT_EQ(status(), "Port:  2: OK");

    FarEnd farFirst(first.far());
    FarEnd farSecond(second.far());
    window->CMD_GO_Click(0);
    tick();
    const std::string line = readLine(farSecond);
    EXPECT_EQ(line, status() + "\r\n");
    EXPECT_EQ(line.rfind("$GPRMC,", 0), 0u) << line;
    EXPECT_EQ(sentenceFault(status()), "");
    EXPECT_NE(status().find('*'), std::string::npos) << "RMC carries its checksum";
    EXPECT_EQ(farFirst.read(1, 200ms), "") << "the probed COM 1 was closed for COM 2";

    // Nothing changed: the program ends at once and writes nothing.
    const QByteArray saved = iniBytes();
    window->close();
    EXPECT_TRUE(configDialogs.questions.empty());
    EXPECT_EQ(endings, 2);
    EXPECT_EQ(iniBytes(), saved);
}

TEST_F(SettingsEndToEndTest, NoEndsWithoutWritingAndTheNextStartShowsTheLastSave) {
    startPair(1);
    startPair(2);
    firstRunSaves();
    const QByteArray saved = iniBytes();

    startWindow();
    field("txt_SPEED").setText(QStringLiteral("14"));
    sentenceList().setCurrentIndex(1);
    configDialogs.answer = DialogAnswer::Cancel;
    window->close();
    EXPECT_EQ(endings, 1) << "Cancel keeps the window";
    configDialogs.answer = DialogAnswer::No;
    window->close();
    EXPECT_EQ(configDialogs.questions.size(), 2u) << "the next close asks again";
    EXPECT_EQ(endings, 2);
    EXPECT_EQ(iniBytes(), saved);

    startWindow();
    EXPECT_EQ(field("txt_SPEED").text(), "12");
    EXPECT_EQ(sentenceList().currentText(), "RMC");
    EXPECT_EQ(status(), "Port:  2: OK");
}

TEST_F(SettingsEndToEndTest, HandWrittenPortsGroupStillMapsTheSameDevicesAfterASave) {
    SocatPair& first = startPair(1);
    SocatPair& second = startPair(2);
    const QString linkWithComma = folder() + QStringLiteral("/gps,port 1");
    ASSERT_TRUE(QFile::link(first.near(), linkWithComma));
    QFile ini(iniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Ports]\nCOM1 = " + linkWithComma.toUtf8() + "\nCOM2=" + second.near().toUtf8() + "\n");
    ini.close();
    firstRunSaves();

    DeviceMap map(QString::fromLatin1(kApplication));
    EXPECT_EQ(map.devicePath(1).toStdString(), linkWithComma.toStdString());
    EXPECT_EQ(map.devicePath(2).toStdString(), second.near().toStdString());

    // The restart probes COM 1 on the hand-named device, then opens the stored COM 2.
    FarEnd farFirst(first.far());
    startWindow();
    EXPECT_EQ(status(), "Port:  2: OK");
    pickPort(0);
    EXPECT_EQ(status(), "Port:  1: OK");
    window->CMD_GO_Click(0);
    tick();
    EXPECT_EQ(readLine(farFirst), status() + "\r\n");
}

TEST_F(SettingsEndToEndTest, HandWrittenCommentsAndDamagedLinesSurviveAYes) {
    startPair(1);
    SocatPair& second = startPair(2);
    firstRunSaves();
    // The user adds comments, a garbage line and a value with an unclosed quote by hand.
    QByteArray text = "; my settings\n" + iniBytes() + "[FRM_NMEA\ngarbage\ntxt_note=\"open\n";
    text.replace("[Ports]\n", "[Ports]\n; the chart plotter\n");
    {
        QFile ini(iniPath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
    }

    startWindow();
    EXPECT_TRUE(configDialogs.messages.empty()) << "a damaged line spoils only itself";
    EXPECT_EQ(field("txt_SPEED").text(), "12");
    EXPECT_EQ(sentenceList().currentText(), "RMC");
    EXPECT_EQ(status(), "Port:  2: OK");
    field("txt_SPEED").setText(QStringLiteral("14"));
    configDialogs.answer = DialogAnswer::Yes;
    window->close();
    EXPECT_EQ(endings, 2);
    EXPECT_EQ(iniBytes(), text.replace("txt_SPEED=12", "txt_SPEED=14")) << "only the changed value differs";
    EXPECT_EQ(DeviceMap(QString::fromLatin1(kApplication)).devicePath(2), second.near());
}

struct SpoiledFile {
    const char* name;
    int errorNumber;
    const char* reason;
};

void PrintTo(const SpoiledFile& file, std::ostream* out) { *out << file.name; }

class SpoiledSettingsTest : public SettingsEndToEndTest, public ::testing::WithParamInterface<SpoiledFile> {};

TEST_P(SpoiledSettingsTest, ShowsTheLoadMessageAndTheDefaults) {
    startPair(1);
    startPair(2);
    firstRunSaves();
    ASSERT_TRUE(QFile::remove(iniPath()));
    ASSERT_TRUE(QDir().mkpath(iniPath()));

    startWindow();
    ASSERT_EQ(configDialogs.messages.size(), 1u);
    EXPECT_EQ(configDialogs.messages[0],
              "Pelora: Error: " + std::to_string(GetParam().errorNumber) +
                  ". Cannot Load Configuration for FRM_NMEA # 0. Using Default Values. " + iniPath().toStdString() +
                  ": " + GetParam().reason + ".");
    EXPECT_EQ(field("txt_SPEED").text(), "6");
    EXPECT_EQ(field("txt_lat").text(), "54N00.0000");
    EXPECT_EQ(sentenceList().currentText(), "GLL");
    EXPECT_EQ(portList().currentIndex(), -1);
    EXPECT_EQ(endings, 1) << "the program goes on";
}

INSTANTIATE_TEST_SUITE_P(, SpoiledSettingsTest,
                         ::testing::Values(SpoiledFile{"FolderInPlace", 21, "a folder, not a file; it is left as it is"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsEndToEndTest, UnwritableFileAtYesShowsTheFailureAndTheWindowGoesOnSending) {
    SocatPair& first = startPair(1);
    startPair(2);
    firstRunSaves();
    const QByteArray saved = iniBytes();

    startWindow();
    ASSERT_EQ(status(), "Port:  2: OK");
    if (!makeUnwritable()) {
        GTEST_SKIP() << "the settings file cannot be made unwritable here (no chattr for root)";
    }
    pickPort(0);
    field("txt_SPEED").setText(QStringLiteral("20"));
    FarEnd far(first.far());
    window->CMD_GO_Click(0);
    tick();
    readLine(far);

    configDialogs.answer = DialogAnswer::Yes;
    window->close();
    EXPECT_EQ(endings, 1) << "a failed save does not end the program";
    ASSERT_EQ(configDialogs.messages.size(), 1u);
    EXPECT_NE(configDialogs.messages[0].find(iniPath().toStdString()), std::string::npos)
        << configDialogs.messages[0];
    EXPECT_EQ(iniBytes(), saved);

    tick();
    EXPECT_EQ(readLine(far), status() + "\r\n") << "the ship and the port go on";

    configDialogs.answer = DialogAnswer::No;
    window->close();
    EXPECT_EQ(endings, 2);
}

}  // namespace
}  // namespace pelora::testing
