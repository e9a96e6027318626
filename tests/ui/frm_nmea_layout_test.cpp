// The window as the operator first sees it: every control, the menus, the focus order, the
// caption and the fixed frame.
#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/value_check_box.h"
#include "config/autoconfig.h"
#include "run/stored_controls.h"
#include "ui/config_form_adapter.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

struct ControlRow {
    const char* name;
    const char* kind;       // class the control must be or inherit
    const char* text;       // initial text or caption; nullptr when the control has none to check
    const char* toolTip;    // "" for none
    int value = -1;         // initial check-box value, -1 for other kinds
};

void PrintTo(const ControlRow& row, std::ostream* os) {
    *os << row.name;
}

const ControlRow kControls[] = {
    {"Image1", "pelora::ClickLabel", "", "Click to visit website"},
    {"LabPlaying", "QLabel", "", ""},
    {"chk_NLZ", "pelora::ValueCheckBox", "Output Leading Zeros", "", 1},
    {"chk_sum", "pelora::ValueCheckBox", "Use CheckSum", "Recommended for GLL, GGA. Mandatory for RMC.", 0},
    {"cmb_NMEA", "QComboBox", "GLL", ""},
    {"cmb_PORT", "QComboBox", nullptr, ""},
    {"Label20", "QLabel", "Decimal Places", ""},
    {"txt_DPS", "QLineEdit", "4", ""},
    {"Label10", "QLabel", "Start at", ""},
    {"txt_lat", "QLineEdit", "54N00.0000", ""},
    {"txt_lon", "QLineEdit", "0001E00.0000", ""},
    {"Lab_BaudRate", "QLabel", "", ""},
    {"Label6", "QLabel", "Auto Pilot", ""},
    {"Label16", "pelora::ClickLabel", "L", "Change Autopilot heading to left"},
    {"txt_DIR", "QLineEdit", "000", "Sets Autopilot direction as text"},
    {"Label17", "pelora::ClickLabel", "R", "Change Autopilot heading to right"},
    {"Label1", "QLabel", "°", ""},
    {"Label8", "QLabel", "Rate of Turn", ""},
    {"Label14", "pelora::ClickLabel", "L", "Steer left"},
    {"txt_ROT", "QLineEdit", "000", "Use this control to eneter the desired rate of turn as text"},
    {"Label15", "pelora::ClickLabel", "R", "Steer Right"},
    {"Label7", "QLabel", "°/s", ""},
    {"Label9", "QLabel", "Speed", ""},
    {"txt_SPEED", "QLineEdit", "6", ""},
    {"UpDown1", "pelora::UpDown", nullptr, ""},
    {"Label2", "QLabel", "kts", ""},
    {"Label13", "QLabel", "Fix to Fix", ""},
    {"Label11", "QLabel", "SOG", ""},
    {"LAB_SOG", "QLabel", "",
     "Speed over Ground as derived from GPS including specified noises and digit truncation)"},
    {"Label19", "QLabel", "kts", ""},
    {"Label12", "QLabel", "COG", ""},
    {"LAB_COG", "QLabel", "",
     "Course over Ground as derived from GPS including specified noises and digit truncation)"},
    {"Label18", "QLabel", "°", ""},
    {"chk_GPS_Noise", "pelora::ValueCheckBox", "GPS Noise",
     "Check to introduce random noise in reported GPS position.", 0},
    {"txt_GPS_NOISE", "QLineEdit", "2", ""},
    {"Label3", "QLabel", "m", ""},
    {"chk_Heavy_Sea", "pelora::ValueCheckBox", "Sea-State",
     "Introduce ship movement in random directions due to sea-state - up to maximium additional speed indicated.", 0},
    {"txt_Heavy_Sea", "QLineEdit", "0.1", ""},
    {"Label4", "QLabel", "m/s", ""},
    {"chk_Ship_Response", "pelora::ValueCheckBox", "Ship Response", "Check to simulate ship's inertia .", 0},
    {"txt_SHIP_Response", "QLineEdit", "5", ""},
    {"Label5", "QLabel", "s", ""},
    {"CMD_GO_0", "QPushButton", "", "Run or Pause the Shiip"},
    {"CMD_GO_1", "QPushButton", "", "Stop the Ship"},
    // The start-up probe found no port; the tool tip says why the last one was not available.
    {"LAB_NMEA", "QLabel", "No serial ports are available.", "No such file or directory"},
    {"PIC_RUN", "QLabel", "", ""},
    {"PIC_Pause", "QLabel", "", ""},
    {"Pic_stop", "QLabel", "", ""},
};

class ControlTable : public WindowTest, public ::testing::WithParamInterface<ControlRow> {};

TEST_P(ControlTable, NameKindTextToolTipAndState) {
    const ControlRow& row = GetParam();
    const QList<QWidget*> matches = window->findChildren<QWidget*>(QString::fromLatin1(row.name));
    ASSERT_EQ(matches.size(), 1) << "exactly one control is named " << row.name;
    QWidget* control = matches.front();
    EXPECT_TRUE(control->inherits(row.kind)) << control->metaObject()->className();
    EXPECT_EQ(control->toolTip(), QString::fromUtf8(row.toolTip));
    if (row.text != nullptr) {
        const char* property = control->inherits("QComboBox") ? "currentText" : "text";
        EXPECT_EQ(control->property(property).toString(), QString::fromUtf8(row.text));
    }
    if (row.value >= 0) {
        EXPECT_EQ(qobject_cast<ValueCheckBox*>(control)->value(), row.value);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryControl, ControlTable, ::testing::ValuesIn(kControls),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, TheWindowHoldsNoControlBesideThoseListed) {
    QStringList listed;
    for (const ControlRow& row : kControls) {
        listed << QString::fromLatin1(row.name);
    }
    QStringList present;
    for (QWidget* control : window->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        present << control->objectName();
    }
    listed.sort();
    present.sort();
    EXPECT_EQ(present, listed);
}

TEST_F(WindowTest, MenusCarryTheirItemsWithoutShortcutsAnd4800Checked) {
    struct Item {
        const char* name;
        const char* text;
    };
    struct Menu {
        const char* name;
        const char* title;
        std::vector<Item> items;
    };
    const std::vector<Menu> expected = {
        {"mnuFile",
         "Voyage",
         {{"mnuSaveAs", "Save Voyage"}, {"mnuLoad", "Load Voyage"}, {"mnuNew", "End Voyage"}, {"", ""},
          {"mnuFollowRoute", "Follow Route..."}, {"mnuRunScenario", "Run Scenario..."},
          {"mnuExportGpx", "Export GPX..."}}},
        {"MNU_Baudate",
         "BaudRate",
         {{"MNU_Baud_0", "1200"}, {"MNU_Baud_1", "2400"}, {"MNU_Baud_2", "4800"}, {"MNU_Baud_3", "9600"},
          {"MNU_Baud_4", "19200"}, {"MNU_Baud_5", "38400"}, {"MNU_Baud_6", "57600"}, {"MNU_Baud_7", "115200"}}},
        {"mnuOutput",
         "Output",
         {{"mnuOutputTcp", "TCP Server"}, {"mnuOutputUdp", "UDP"}, {"mnuOutputPty", "Virtual Serial Port"},
          {"mnuOutputUtc", "UTC"}, {"", ""}, {"mnuOutputSettings", "Addresses and Ports..."}, {"", ""},
          {"mnuSentences", "Sentences..."}, {"mnuNoFix", "No Fix"}, {"mnuDifferential", "Differential"}, {"", ""},
          {"mnuAisTargets", "AIS Targets..."}, {"mnuOwnShipAis", "Send Own Ship as AIVDO"}}},
        {"mnuView", "View", {{"mnuTrack", "Track"}}},
        {"mnuHLP", "Help", {{"HelpIndex", "Index"}, {"HelpAbout", "About"}}},
    };
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        QMenu* menu = bar[static_cast<qsizetype>(m)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), QString::fromLatin1(expected[m].name));
        EXPECT_EQ(menu->title(), QString::fromLatin1(expected[m].title));
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].items.size())) << expected[m].name;
        for (std::size_t i = 0; i < expected[m].items.size(); ++i) {
            QAction* item = items[static_cast<qsizetype>(i)];
            EXPECT_EQ(item->objectName(), QString::fromLatin1(expected[m].items[i].name));
            EXPECT_EQ(item->text(), QString::fromLatin1(expected[m].items[i].text));
            EXPECT_TRUE(item->shortcut().isEmpty()) << expected[m].items[i].name;
            EXPECT_EQ(item->isChecked(), QString::fromLatin1(expected[m].items[i].text) == "4800");
        }
    }
}

TEST_F(WindowTest, PickingABaudRateMovesTheSingleCheckMark) {
    auto* rate1200 = child<QAction>("MNU_Baud_0");
    auto* rate4800 = child<QAction>("MNU_Baud_2");
    rate1200->trigger();
    EXPECT_TRUE(rate1200->isChecked());
    EXPECT_FALSE(rate4800->isChecked());
    // Picking the rate already chosen keeps its mark.
    rate1200->trigger();
    EXPECT_TRUE(rate1200->isChecked());
}

TEST_F(WindowTest, TabVisitsTheControlsInTheirOrder) {
    const QStringList expected = {"chk_sum",       "cmb_NMEA",          "cmb_PORT",      "txt_DPS",
                                  "txt_lat",       "txt_lon",           "CMD_GO_0",      "CMD_GO_1",
                                  "txt_DIR",       "txt_ROT",           "chk_GPS_Noise", "txt_GPS_NOISE",
                                  "chk_Heavy_Sea", "txt_Heavy_Sea",     "chk_Ship_Response",
                                  "txt_SHIP_Response", "txt_SPEED",     "UpDown1",       "chk_NLZ"};
    QWidget* first = child<QWidget>("chk_sum");
    QStringList visited;
    QWidget* widget = first;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) != 0 && !widget->isHidden() &&
            window->centralWidget()->isAncestorOf(widget)) {
            visited << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != first);
    EXPECT_EQ(visited, expected);

    // The first control of the order has the focus when the window first shows.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), first);
}

TEST_F(WindowTest, RunsWithoutTheWindowStartFromTheSameStoredControlsAndDefaults) {
    const auto byName = [](const ValueSet& values) {
        std::map<std::string, std::string> named;
        for (std::size_t i = 0; i < values.columns(); ++i) named[values.names[i]] = values.values[i];
        return named;
    };
    AutoConfig store(settings, configDialogs, "pelora", "Pelora", [] {});
    StoredControls withoutWindow;
    ConfigFormAdapter windowForm(*window, "FRM_NMEA");
    EXPECT_EQ(byName(store.read_controls(withoutWindow)), byName(store.read_controls(windowForm)));
}

TEST_F(WindowTest, CaptionIsTheProgramNameWithABlankBeforeEachVersionNumber) {
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    EXPECT_EQ(window->windowTitle(), program + " 1. 1. 12");
    EXPECT_EQ(window->Version_Text(), "1.1.12");
}

TEST_F(WindowTest, FrameIsFixedWithMinimiseAndNoMaximise) {
    EXPECT_EQ(window->centralWidget()->size(), QSize(794, 255));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(window->windowIcon().isNull());
}

TEST_F(WindowTest, TextFieldsAndTheSentenceLineUseAFixedPitchFont) {
    QList<QWidget*> fixed;
    for (QLineEdit* field : window->centralWidget()->findChildren<QLineEdit*>()) {
        fixed << field;
    }
    fixed << child<QWidget>("LAB_NMEA");
    EXPECT_EQ(fixed.size(), 10);
    for (QWidget* widget : fixed) {
        EXPECT_TRUE(QFontInfo(widget->font()).fixedPitch()) << widget->objectName().toStdString();
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), 8.25);
    }
    EXPECT_FALSE(QFontInfo(child<QWidget>("Label9")->font()).fixedPitch());
}

TEST_F(WindowTest, LetterButtonsAreWhiteOnRedOrGreenFramedCentredAndTakeNoFocus) {
    const struct {
        const char* name;
        QColor background;
    } buttons[] = {{"Label14", QColor(192, 0, 0)},
                   {"Label16", QColor(192, 0, 0)},
                   {"Label15", QColor(0, 192, 0)},
                   {"Label17", QColor(0, 192, 0)}};
    for (const auto& button : buttons) {
        auto* label = child<QLabel>(button.name);
        EXPECT_EQ(label->palette().color(QPalette::Window), button.background) << button.name;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::white)) << button.name;
        EXPECT_TRUE(label->autoFillBackground()) << button.name;
        EXPECT_NE(label->frameShape(), QFrame::NoFrame) << button.name;
        EXPECT_EQ(label->alignment() & Qt::AlignHCenter, Qt::AlignHCenter) << button.name;
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus) << button.name;
    }
}

TEST_F(WindowTest, StartUpLeavesTheShipStoppedWithAnEmptyVoyageAndTheTimerRunning) {
    EXPECT_FALSE(window->Running());
    EXPECT_FALSE(child<QPushButton>("CMD_GO_1")->isEnabled());
    EXPECT_EQ(window->Voyage_Log(), std::vector<std::string>{""});
    EXPECT_EQ(window->txt_ROT_BackColor(), FRM_NMEA::kInactiveColour);
    EXPECT_EQ(window->txt_DIR_BackColor(), FRM_NMEA::kWindowBackgroundColour);
    auto* types = child<QComboBox>("cmb_NMEA");
    ASSERT_EQ(types->count(), 3);
    EXPECT_EQ(types->itemText(0), "GLL");
    EXPECT_EQ(types->itemText(1), "GGA");
    EXPECT_EQ(types->itemText(2), "RMC");
    EXPECT_EQ(types->currentIndex(), 0);
    EXPECT_FALSE(types->isEditable());
    EXPECT_FALSE(child<QComboBox>("cmb_PORT")->isEditable());

    // Timer1, the once-a-second beat, runs from the creation of the window.
    EXPECT_EQ(window->Timer1(), &ticker);
    EXPECT_TRUE(ticker.isActive());
    EXPECT_EQ(ticker.starts, 1);
    EXPECT_EQ(Ticker::kInterval, std::chrono::milliseconds(1000));
}

}  // namespace
}  // namespace pelora::testing
