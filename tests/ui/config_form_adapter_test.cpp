#include "ui/config_form_adapter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/autoconfig.h"
#include "config/memory_settings_store.h"
#include "config/fake_form.h"
#include "support/core_fakes.h"

namespace pelora {
namespace {

using ::testing::ElementsAre;

// A small window: a text field, a check box, a fixed list, an editable list and two labels,
// one of which ("lab" in lower case) is stored.
class ConfigFormAdapterTest : public ::testing::Test {
protected:
    ConfigFormAdapterTest() {
        window.setObjectName("FRM_TEST");
        auto* layout = new QVBoxLayout(&window);
        text = add<QLineEdit>("txt_a", layout);
        text->setText("start");
        check = add<QCheckBox>("chk_b", layout);
        list = add<QComboBox>("cmb_c", layout);
        list->addItems({"GLL", "GGA", "RMC"});
        status = add<QLabel>("LAB_x", layout);
        status->setText("status");
        caption = add<QLabel>("lab_y", layout);
        caption->setText("cap");
        editable = add<QComboBox>("cmb_e", layout);
        editable->setEditable(true);
        editable->addItems({"one", "two"});
    }

    template <typename Widget>
    Widget* add(const char* name, QVBoxLayout* layout) {
        auto* widget = new Widget(&window);
        widget->setObjectName(name);
        layout->addWidget(widget);
        return widget;
    }

    void store(const std::string& key, const std::string& value) {
        settings.setEntry("pelora", "FRM_TEST", key, value);
    }

    QWidget window;
    QLineEdit* text = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* list = nullptr;
    QLabel* status = nullptr;
    QLabel* caption = nullptr;
    QComboBox* editable = nullptr;

    ConfigFormAdapter form{window};
    MemorySettingsStore settings;
    testing::FakeConfigDialogs dialogs;
    int ends = 0;
    AutoConfig config{settings, dialogs, "pelora", "pelora", [this] { ++ends; }};
};

TEST_F(ConfigFormAdapterTest, ReadsRecognisedControlsInCreationOrder) {
    EXPECT_EQ(form.name(), "FRM_TEST");
    const ValueSet values = config.read_controls(form);
    EXPECT_THAT(values.names, ElementsAre("txt_a", "chk_b", "cmb_c", "lab_y", "cmb_e"));
    EXPECT_THAT(values.values, ElementsAre("start", "0", "GLL", "cap", "one"));
}

TEST_F(ConfigFormAdapterTest, RestoreFiresEachChangeSignalOnceAndUnchangedValuesNone) {
    store("txt_a", "hello");
    store("chk_b", "1");
    store("cmb_c", "RMC");
    store("lab_y", "cap");
    store("cmb_e", "one");
    QSignalSpy textSpy(text, &QLineEdit::textChanged);
    QSignalSpy checkSpy(check, &QCheckBox::stateChanged);
    QSignalSpy listSpy(list, &QComboBox::currentIndexChanged);
    QSignalSpy editableSpy(editable, &QComboBox::currentIndexChanged);
    QSignalSpy editableTextSpy(editable, &QComboBox::currentTextChanged);

    config.attach_form(form, true);
    EXPECT_EQ(text->text(), "hello");
    EXPECT_EQ(check->checkState(), Qt::Checked);
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(textSpy.count(), 1);
    EXPECT_EQ(checkSpy.count(), 1);
    ASSERT_EQ(listSpy.count(), 1);
    EXPECT_EQ(listSpy.at(0).at(0).toInt(), 2);
    EXPECT_EQ(editableSpy.count(), 0);
    EXPECT_EQ(editableTextSpy.count(), 0);

    EXPECT_TRUE(config.apply_values(form, *form.loadedvalues));
    EXPECT_EQ(textSpy.count(), 1);
    EXPECT_EQ(checkSpy.count(), 1);
    EXPECT_EQ(listSpy.count(), 1);

    EXPECT_TRUE(config.query_close(form));  // restored and untouched: ends without asking
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(ConfigFormAdapterTest, FirstRunFallsBackToDefaultsAndYesStoresOnlyRecognisedControls) {
    QSignalSpy listSpy(list, &QComboBox::currentIndexChanged);
    config.attach_form(form, true);
    EXPECT_EQ(text->text(), "start");  // emptied, then the check box refused "", then reset
    EXPECT_EQ(check->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(listSpy.count(), 0);

    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_TRUE(config.query_close(form));
    EXPECT_EQ(settings.entries().size(), 5u);
    EXPECT_EQ(settings.entry("pelora", "FRM_TEST", "cmb_c"), "GLL");
    EXPECT_FALSE(settings.entry("pelora", "FRM_TEST", "LAB_x"));
}

TEST_F(ConfigFormAdapterTest, CheckBoxTakesOnlyItsThreeStates) {
    auto controls = form.controls();
    ConfigControl& box = *controls[1];
    ASSERT_EQ(box.name(), "chk_b");
    for (const char* rejected : {"", "x", "3", "-1", "1.0", " 1", "True"}) {
        EXPECT_FALSE(box.writeProperty("Value", rejected)) << '"' << rejected << '"';
    }
    EXPECT_TRUE(box.writeProperty("Value", "2"));
    EXPECT_EQ(check->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(box.readProperty("Value"), "2");
    EXPECT_TRUE(box.writeProperty("Value", "1"));
    EXPECT_EQ(check->checkState(), Qt::Checked);
}

TEST_F(ConfigFormAdapterTest, FixedListRefusesOtherTextsAndEditableListShowsThem) {
    store("txt_a", "x");
    store("chk_b", "1");
    store("cmb_c", "gga");  // case matters
    store("lab_y", "y");
    store("cmb_e", "three");
    QSignalSpy listSpy(list, &QComboBox::currentIndexChanged);
    config.attach_form(form, true);
    EXPECT_EQ(text->text(), "start");
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(listSpy.count(), 0);  // the refused text never showed as "no selection"

    ValueSet values = *form.loadedvalues;
    values.values[2] = "GGA";
    EXPECT_TRUE(config.apply_values(form, values));
    EXPECT_EQ(list->currentText(), "GGA");
    EXPECT_EQ(caption->text(), "y");
    EXPECT_EQ(editable->currentText(), "three");
    EXPECT_EQ(editable->currentIndex(), -1);
}

TEST_F(ConfigFormAdapterTest, AStoredEmptyListTextSelectsNothingAndKeepsTheOtherValues) {
    // Saved while no entry was selected (as the port list is after the start-up probe).
    list->setCurrentIndex(-1);
    store("txt_a", "x");
    store("chk_b", "1");
    store("cmb_c", "");
    store("lab_y", "y");
    store("cmb_e", "two");
    QSignalSpy listSpy(list, &QComboBox::currentIndexChanged);
    config.attach_form(form, true);
    EXPECT_EQ(text->text(), "x");
    EXPECT_EQ(check->checkState(), Qt::Checked);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(caption->text(), "y");
    EXPECT_EQ(listSpy.count(), 0);
}

TEST_F(ConfigFormAdapterTest, ListWithTwoEqualEntriesSelectsTheLater) {
    list->addItem("GGA");
    QSignalSpy listSpy(list, &QComboBox::currentIndexChanged);
    ValueSet values = config.read_controls(form);
    values.values[2] = "GGA";
    EXPECT_TRUE(config.apply_values(form, values));
    EXPECT_EQ(list->currentIndex(), 3);
    EXPECT_EQ(listSpy.count(), 1);
}

}  // namespace
}  // namespace pelora
