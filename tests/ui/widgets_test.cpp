// The small widgets the window is built from.
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "ui/click_label.h"
#include "ui/up_down.h"
#include "ui/value_check_box.h"

#include <gtest/gtest.h>

namespace pelora {
namespace {

TEST(ValueCheckBox, HoldsZeroOneOrTwoAndTheOperatorTogglesBetweenClearAndTicked) {
    ValueCheckBox box;
    QSignalSpy changes(&box, &ValueCheckBox::valueChanged);
    EXPECT_EQ(box.value(), 0);
    box.setValue(2);
    EXPECT_EQ(box.value(), 2);
    EXPECT_EQ(box.property("Value").toInt(), 2);
    box.click();
    EXPECT_EQ(box.value(), 1);
    box.click();
    EXPECT_EQ(box.value(), 0);
    EXPECT_TRUE(box.setProperty("Value", 1));
    EXPECT_EQ(box.value(), 1);
    box.setValue(7);
    EXPECT_EQ(box.value(), 1);
    box.setValue(1);  // the same value: no change to report
    ASSERT_EQ(changes.size(), 4);
    EXPECT_EQ(changes.at(0).at(0).toInt(), 2);
    EXPECT_EQ(changes.at(3).at(0).toInt(), 1);
}

TEST(ClickLabel, AClickInsideEmitsOnceAndAPressDraggedOutsideDoesNot) {
    ClickLabel label;
    label.resize(20, 20);
    QSignalSpy clicks(&label, &ClickLabel::clicked);
    QTest::mouseClick(&label, Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(clicks.size(), 1);
    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_EQ(clicks.size(), 1);
}

TEST(UpDown, ArrowsAndKeysStepUpAndDown) {
    UpDown spinner;
    spinner.resize(16, 20);
    QSignalSpy ups(&spinner, &UpDown::stepUp);
    QSignalSpy downs(&spinner, &UpDown::stepDown);
    QTest::mouseClick(spinner.findChild<QToolButton*>("up"), Qt::LeftButton);
    QTest::mouseClick(spinner.findChild<QToolButton*>("down"), Qt::LeftButton);
    QTest::keyClick(&spinner, Qt::Key_Down);
    EXPECT_EQ(ups.size(), 1);
    EXPECT_EQ(downs.size(), 2);
}

}  // namespace
}  // namespace pelora
