// Choosing between autopilot and hand steering, and the step buttons of the two fields.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "window_fixture.h"

namespace pelora::testing {
namespace {

class Steering : public WindowTest {
protected:
    QLineEdit* course() { return child<QLineEdit>("txt_DIR"); }
    QLineEdit* rate() { return child<QLineEdit>("txt_ROT"); }
    void click(const char* name) { QTest::mouseClick(child<QWidget>(name), Qt::LeftButton); }
};

struct CourseStepRow {
    const char* label;
    const char* before;
    const char* button;  // Label16 ("L") or Label17 ("R")
    const char* shown;
    double course;
};

void PrintTo(const CourseStepRow& row, std::ostream* os) {
    *os << row.label;
}

class CourseStep : public Steering, public ::testing::WithParamInterface<CourseStepRow> {};

TEST_P(CourseStep, StepsWrapsAndTakesTheWholeDegreesShownAsTheCourse) {
    const CourseStepRow& row = GetParam();
    course()->setText(row.before);
    click(row.button);
    EXPECT_EQ(course()->text(), row.shown);
    EXPECT_DOUBLE_EQ(window->ship().AutoPilot_Dir, row.course);
    EXPECT_EQ(window->txt_DIR_BackColor(), FRM_NMEA::kActiveColour);
    EXPECT_EQ(window->txt_ROT_BackColor(), FRM_NMEA::kInactiveColour);
}

INSTANTIATE_TEST_SUITE_P(
    CourseButtons, CourseStep,
    ::testing::Values(CourseStepRow{"LeftThroughNorth", "000", "Label16", "359", 359},
                      CourseStepRow{"RightThroughNorth", "359", "Label17", "000", 0},
                      CourseStepRow{"FractionRoundedToWholeDegrees", "12.4", "Label16", "011", 11},
                      CourseStepRow{"WrapsOnceAbove360", "359.6", "Label17", "001", 1},
                      CourseStepRow{"BelowTheWrapShows360", "358.6", "Label17", "360", 360}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Steering, RateStepsByHalfDegreesInShortestForm) {
    click("Label14");
    EXPECT_EQ(rate()->text(), "-0.5");
    EXPECT_DOUBLE_EQ(window->ship().Demand_ROT, -0.5);
    EXPECT_EQ(window->txt_ROT_BackColor(), FRM_NMEA::kActiveColour);
    EXPECT_EQ(window->txt_DIR_BackColor(), FRM_NMEA::kInactiveColour);
    click("Label15");
    EXPECT_EQ(rate()->text(), "0");
    EXPECT_DOUBLE_EQ(window->ship().Demand_ROT, 0.0);
    click("Label15");
    EXPECT_EQ(rate()->text(), "0.5");
    EXPECT_DOUBLE_EQ(window->ship().Demand_ROT, 0.5);
}

TEST_F(Steering, AStepOnATextThatIsNotANumberChangesNothing) {
    course()->setText("12abc");
    rate()->setText("");
    for (const char* button : {"Label14", "Label15", "Label16", "Label17"}) {
        click(button);
    }
    EXPECT_EQ(course()->text(), "12abc");
    EXPECT_EQ(rate()->text(), "");
    EXPECT_EQ(window->txt_DIR_BackColor(), FRM_NMEA::kWindowBackgroundColour);
    EXPECT_EQ(window->txt_ROT_BackColor(), FRM_NMEA::kInactiveColour);
}

TEST_F(Steering, TheRateIsKeptWhenSwitchingModesAndBack) {
    click("txt_ROT");
    rate()->setText("2");
    EXPECT_DOUBLE_EQ(window->ship().Demand_ROT, 2.0);
    course()->setText("45");
    click("txt_DIR");
    EXPECT_TRUE(window->autopilotOn());
    EXPECT_DOUBLE_EQ(window->ship().AutoPilot_Dir, 45.0);
    click("txt_ROT");
    EXPECT_TRUE(window->steeringOn());
    EXPECT_FALSE(window->autopilotOn());
    EXPECT_EQ(rate()->text(), "2");
    EXPECT_DOUBLE_EQ(window->ship().Demand_ROT, 2.0);
}

TEST_F(Steering, TextsTypedIntoAFieldThatIsNotActiveChangeNothing) {
    // Start-up: neither field is active.
    rate()->setText("3");
    course()->setText("120");
    EXPECT_DOUBLE_EQ(window->ship().Demand_ROT, 0.0);
    EXPECT_DOUBLE_EQ(window->ship().AutoPilot_Dir, 0.0);
    // In autopilot the course text is read leniently: letters only give 0.
    click("txt_DIR");
    EXPECT_DOUBLE_EQ(window->ship().AutoPilot_Dir, 120.0);
    course()->setText("north");
    EXPECT_DOUBLE_EQ(window->ship().AutoPilot_Dir, 0.0);
    rate()->setText("4");
    EXPECT_DOUBLE_EQ(window->ship().Demand_ROT, 0.0);
}

TEST_F(Steering, TheTickWritesTheHeadingIntoTheCourseFieldOnlyOutsideAutopilot) {
    click("Label15");
    click("Label15");  // 1 degree per second to starboard
    QTest::mouseClick(child<QPushButton>("CMD_GO_0"), Qt::LeftButton);
    window->Timer1_Timer();
    clock.advance(std::chrono::milliseconds(1000));
    window->Timer1_Timer();
    EXPECT_EQ(course()->text(), "001");
    clock.advance(std::chrono::milliseconds(1000));
    window->Timer1_Timer();
    EXPECT_EQ(course()->text(), "002");

    // Autopilot: the course text is the operator's and stays as typed.
    click("txt_DIR");
    course()->setText("90");
    clock.advance(std::chrono::milliseconds(1000));
    window->Timer1_Timer();
    EXPECT_EQ(course()->text(), "90");
    EXPECT_DOUBLE_EQ(window->ship().Ship_Heading, 90.0);
}

}  // namespace
}  // namespace pelora::testing
