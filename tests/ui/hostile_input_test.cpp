// Hostile text in every entry field of the running window: whatever the operator types or
// pastes, the ticks go on, nothing hangs, and every sentence sent is one a receiver can take.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <tuple>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "support/sentence_check.h"
#include "ui/value_check_box.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

using std::chrono::milliseconds;
using namespace std::string_literals;

// Ends the test program when a case runs longer than `limit`: a hang is a failure, not a
// stuck test run.
class Watchdog {
public:
    Watchdog(std::string what, std::chrono::seconds limit)
        : m_what(std::move(what)), m_thread([this, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "hang: %s ran longer than %lld s\n", m_what.c_str(),
                               static_cast<long long>(limit.count()));
                  std::_Exit(EXIT_FAILURE);
              }
          }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::string m_what;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

struct HostileText {
    const char* name;
    QString text;
};

void PrintTo(const HostileText& row, std::ostream* os) {
    *os << row.name;
}

QString repeated(const char* piece, int bytes) {
    QString text;
    const QString unit = QString::fromLatin1(piece);
    while (text.size() < bytes) {
        text += unit;
    }
    return text.left(bytes);
}

const std::vector<HostileText>& hostileTexts() {
    static const std::vector<HostileText> texts = {
        {"Empty", QString()},
        {"Letters", QStringLiteral("abcXYZ")},
        {"Minus", QStringLiteral("-")},
        {"Point", QStringLiteral(".")},
        {"Overflow", QStringLiteral("1e999")},
        {"NegativeOverflow", QStringLiteral("-1e999")},
        {"HugeFinite", QStringLiteral("1e308")},
        {"NegativeHugeFinite", QStringLiteral("-1.7e308")},
        {"Nan", QStringLiteral("nan")},
        {"Inf", QStringLiteral("inf")},
        {"Denormal", QStringLiteral("1e-320")},
        {"TenThousandDigits", repeated("9", 10'000)},
        {"TenThousandDigitsAfterPoint", "0." + repeated("3", 10'000)},
        {"HundredKilobytes", repeated("12.5e3-N,W ", 100 * 1024)},
        {"DegreeAndPrimeSigns", QStringLiteral("54°N 1′E")},
        {"Emoji", QStringLiteral("🚢⚓ 5")},
        {"LoneSurrogate", QString(QChar(0xD800)) + QStringLiteral("7")},
        {"ControlCharacters", QString::fromStdString("\t1\x01\x1b[2J\r\n3\x7f"s)},
        {"Nul", QString::fromStdString("4\0" "5"s)},
    };
    return texts;
}

constexpr const char* kFields[] = {"txt_lat",   "txt_lon",       "txt_SPEED",     "txt_DIR",          "txt_ROT",
                                   "txt_DPS",   "txt_GPS_NOISE", "txt_Heavy_Sea", "txt_SHIP_Response"};
constexpr const char* kCheckBoxes[] = {"chk_NLZ", "chk_sum", "chk_GPS_Noise", "chk_Heavy_Sea", "chk_Ship_Response"};
constexpr int kSentenceTypes = 3;
constexpr int kTicksPerSetting = 3;

class HostileInput : public WindowTest,
                     public ::testing::WithParamInterface<std::tuple<const char*, HostileText>> {
protected:
    void SetUp() override {
        serial.available = {1};  // the probe opens COM 1, so every sentence is also written out
        WindowTest::SetUp();
        ASSERT_TRUE(serial.PortOpen());
    }

    void click(const char* name) { QTest::mouseClick(child<QWidget>(name), Qt::LeftButton); }

    // One tick: the voyage grows by exactly one sentence, which must be sound, as must the
    // readouts beside it.
    void tick() {
        const std::size_t before = window->voyage().fixCount();
        clock.advance(milliseconds(1000));
        window->Timer1_Timer();
        ASSERT_EQ(window->voyage().fixCount(), before + 1);
        const std::string& sentence = window->voyage().fixes().back();
        EXPECT_EQ(sentenceFault(sentence), "") << sentence;
        for (const char* readout : {"LAB_COG", "LAB_SOG"}) {
            const QString shown = child<QLabel>(readout)->text().toLower();
            EXPECT_FALSE(shown.contains("nan") || shown.contains("inf")) << readout << ": " << shown.toStdString();
        }
    }

    // Stop and Run again so that the position boxes are read, then tick through every
    // sentence type and every state of the check boxes.
    void runThroughEverySetting() {
        window->CMD_GO_Click(1);
        window->CMD_GO_Click(0);
        ASSERT_TRUE(window->Running());
        for (int type = 0; type < kSentenceTypes; ++type) {
            child<QComboBox>("cmb_NMEA")->setCurrentIndex(type);
            for (int state : {ValueCheckBox::kClear, ValueCheckBox::kTicked, ValueCheckBox::kGreyed}) {
                for (const char* box : kCheckBoxes) {
                    child<ValueCheckBox>(box)->setValue(state);
                }
                for (int i = 0; i < kTicksPerSetting; ++i) {
                    tick();
                }
            }
        }
    }
};

TEST_P(HostileInput, TicksGoOnAndEverySentenceStaysValid) {
    const auto& [fieldName, hostile] = GetParam();
    const Watchdog watchdog(std::string(fieldName) + " = " + hostile.name, std::chrono::seconds(30));
    QLineEdit* field = child<QLineEdit>(fieldName);
    ASSERT_NE(field, nullptr);

    // Autopilot, then hand steering: selecting a mode by clicking its field, the hostile text
    // typed while that mode is on, then the step buttons of both fields and the speed spinner
    // pressed on whatever the fields hold.
    for (const char* modeField : {"txt_DIR", "txt_ROT"}) {
        click(modeField);
        field->setText(hostile.text);
        for (const char* button : {"Label14", "Label15", "Label16", "Label17"}) {
            click(button);
        }
        window->UpDown1_UpClick();
        window->UpDown1_DownClick();
        field->setText(hostile.text);
        runThroughEverySetting();
    }

    // Every sentence went out whole, each with its line end.
    const std::vector<std::string> fixes(window->voyage().fixes().begin(), window->voyage().fixes().end());
    std::string expected;
    for (const std::string& fix : fixes) {
        expected += fix + "\r\n";
    }
    EXPECT_TRUE(serial.written == expected);
    EXPECT_EQ(fixes.size(), 2u * kSentenceTypes * 3 * kTicksPerSetting);
}

INSTANTIATE_TEST_SUITE_P(EveryField, HostileInput,
                         ::testing::Combine(::testing::ValuesIn(kFields), ::testing::ValuesIn(hostileTexts())),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace pelora::testing
