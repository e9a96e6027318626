#include "config/autoconfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/memory_settings_store.h"
#include "fake_form.h"
#include "support/core_fakes.h"

namespace pelora {
namespace {

using testing::FakeConfigDialogs;
using test::FakeForm;
using test::Kind;
using ::testing::ElementsAre;

const std::string kApp = "pelora";
const std::string kSection = "FRM_NMEA";

// A cut-down main window: text fields before the check boxes, so that a first run empties
// text fields before the check box rejects the empty text; two fixed lists; controls that are
// never stored.
void buildWindow(FakeForm& form) {
    form.add("txt_lat", Kind::Text, "54N00.0000");
    form.add("txt_SPEED", Kind::Text, "6");
    form.add("LAB_NMEA", Kind::Label, "GPGLL...");
    form.add("chk_sum", Kind::Check, "0");
    form.add("chk_NLZ", Kind::Check, "1");
    form.add("CMD_GO", Kind::Button, "");
    form.add("cmb_NMEA", Kind::FixedList, "", {"GLL", "GGA", "RMC"}, 0);
    form.add("cmb_PORT", Kind::FixedList, "", {"COM 1", "COM 2", "COM 3"}, 0);
    form.add("Label1", Kind::Label, "Latitude");
    form.add("Lab_BaudRate", Kind::Label, "4800");
}

class AutoConfigTest : public ::testing::Test {
protected:
    AutoConfigTest() : form(kSection) { buildWindow(form); }

    void storeAll(const std::string& lat, const std::string& speed, const std::string& sum,
                   const std::string& nlz, const std::string& type, const std::string& port) {
        const std::vector<std::pair<std::string, std::string>> entries{
            {"txt_lat", lat}, {"txt_SPEED", speed}, {"chk_sum", sum},
            {"chk_NLZ", nlz}, {"cmb_NMEA", type},   {"cmb_PORT", port}};
        for (const auto& [key, value] : entries) store.setEntry(kApp, kSection, key, value);
    }

    std::vector<std::string> shown() {
        return {form.shown("txt_lat"), form.shown("txt_SPEED"), form.shown("chk_sum"),
                form.shown("chk_NLZ"), form.shown("cmb_NMEA"),  form.shown("cmb_PORT")};
    }

    MemorySettingsStore store{"/home/ship/.config/pelora/pelora.ini"};
    FakeConfigDialogs dialogs;
    int ends = 0;
    AutoConfig config{store, dialogs, kApp, "Pelora", [this] { ++ends; }};
    FakeForm form;
};

const std::vector<std::string> kDefaults{"54N00.0000", "6", "0", "1", "GLL", "COM 1"};

TEST_F(AutoConfigTest, FirstRunShowsDefaultsAndYesWritesEveryRecognisedControl) {
    config.attach_form(form, true);

    EXPECT_EQ(shown(), kDefaults);  // the check box rejected "", text fields got their defaults back
    EXPECT_THAT(form.loadedvalues->names,
                ElementsAre("txt_lat", "txt_SPEED", "chk_sum", "chk_NLZ", "cmb_NMEA", "cmb_PORT"));
    EXPECT_THAT(form.loadedvalues->values, ElementsAre("", "", "", "", "", ""));
    EXPECT_EQ(form.defaultvalues->values, kDefaults);
    EXPECT_TRUE(dialogs.messages.empty());

    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_TRUE(config.query_close(form));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0],
              "Tarnvel: The configuration settings have changed. Save new values?");
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(store.writeCount(), 1) << "the form is written in one pass";
    ASSERT_EQ(store.entries().size(), 6u);
    EXPECT_EQ(store.entry(kApp, kSection, "cmb_PORT"), "COM 1");
    EXPECT_EQ(store.entry(kApp, kSection, "chk_NLZ"), "1");
    EXPECT_FALSE(store.entry(kApp, kSection, "LAB_NMEA"));
    EXPECT_FALSE(store.entry(kApp, kSection, "Lab_BaudRate"));
}

TEST_F(AutoConfigTest, StoredValuesAreRestoredAndAnUnchangedCloseEndsWithoutWriting) {
    storeAll("10S30.0000", "12", "1", "0", "RMC", "COM 3");
    config.attach_form(form, true);
    EXPECT_EQ(shown(), (std::vector<std::string>{"10S30.0000", "12", "1", "0", "RMC", "COM 3"}));
    EXPECT_EQ(form["cmb_PORT"].reactions, 1);  // the restored port is opened once, like a pick

    const int writesBefore = store.writeCount();
    EXPECT_TRUE(config.query_close(form));
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(store.writeCount(), writesBefore);
    EXPECT_EQ(ends, 1);
}

TEST_F(AutoConfigTest, ChangedAndChangedBackDoesNotAsk) {
    storeAll("10S30.0000", "12", "1", "0", "RMC", "COM 3");
    config.attach_form(form, true);
    form["txt_SPEED"].value = "14";
    form["txt_SPEED"].value = "12";
    EXPECT_TRUE(config.query_close(form));
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(ends, 1);
}

TEST_F(AutoConfigTest, CancelKeepsRunningAndTheNextCloseAsksAgain) {
    storeAll("10S30.0000", "12", "1", "0", "RMC", "COM 3");
    config.attach_form(form, true);
    form["txt_SPEED"].value = "14";

    dialogs.answers = {DialogAnswer::Cancel};
    EXPECT_FALSE(config.query_close(form));
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(store.writeCount(), 0);
    EXPECT_EQ(form.currentvalues->values[1], "14");

    dialogs.answers = {DialogAnswer::No};
    EXPECT_TRUE(config.query_close(form));
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(store.writeCount(), 0);
    EXPECT_EQ(store.entry(kApp, kSection, "txt_SPEED"), "12");

    // Once ended, a further close request neither asks nor ends again.
    EXPECT_TRUE(config.query_close(form));
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(ends, 1);
}

TEST_F(AutoConfigTest, ListTextThatIsNoEntryFallsBackToEveryDefault) {
    storeAll("10S30.0000", "12", "1", "0", "XYZ", "COM 3");
    config.attach_form(form, true);
    EXPECT_EQ(shown(), kDefaults);  // txt_lat was restored before the list refused, and reset
    EXPECT_EQ(form.loadedvalues->values[4], "XYZ");
}

TEST_F(AutoConfigTest, ListStepsRunInOrderInsideOneAssignment) {
    FakeForm lists("F");
    auto& dup = lists.add("cmb_dup", Kind::FixedList, "", {"A", "B", "A"}, 1);
    auto& bad = lists.add("cmb_bad", Kind::FixedList, "", {"A"}, 0);
    ValueSet values;
    values.append("cmb_dup", "A");
    values.append("cmb_bad", "Z");

    EXPECT_FALSE(config.apply_values(lists, values));
    EXPECT_EQ(dup.listIndex, 2);  // the later of two equal entries stays selected
    EXPECT_THAT(dup.log, ElementsAre("begin", "ListIndex=-1", "text=A", "ListIndex=0",
                                     "ListIndex=2", "end"));
    EXPECT_EQ(dup.reactions, 1);
    EXPECT_THAT(bad.log, ElementsAre("begin", "ListIndex=-1", "text=Z", "end rejected"));
    EXPECT_EQ(bad.listIndex, 0);  // a rejected text leaves the selection as it was
    EXPECT_EQ(bad.reactions, 0);
}

TEST_F(AutoConfigTest, ControlArraySharesOneEntry) {
    FakeForm arrays("F");
    auto& first = arrays.add("txt_arr", Kind::Text, "a");
    auto& second = arrays.add("txt_arr", Kind::Text, "b");
    store.setEntry(kApp, "F", "txt_arr", "7");

    config.attach_form(arrays, true);
    EXPECT_EQ(first.value, "7");
    EXPECT_EQ(second.value, "7");

    first.value = "1";
    second.value = "2";
    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_TRUE(config.query_close(arrays));
    EXPECT_EQ(store.entry(kApp, "F", "txt_arr"), "2");  // the last in control order decides
}

TEST_F(AutoConfigTest, FormAttachedWithoutLoadingAlwaysCountsAsChanged) {
    config.attach_form(form, false);
    EXPECT_FALSE(form.defaultvalues);
    EXPECT_FALSE(form.loadedvalues);
    EXPECT_EQ(store.readCount(), 0);

    dialogs.answers = {DialogAnswer::Cancel, DialogAnswer::Cancel};
    EXPECT_FALSE(config.query_close(form));
    EXPECT_FALSE(config.query_close(form));
    EXPECT_EQ(dialogs.questions.size(), 2u);
}

TEST_F(AutoConfigTest, ReadFailureShowsTheMessageAndKeepsThePartialSet) {
    storeAll("10S30.0000", "12", "1", "0", "RMC", "COM 3");
    store.failReadsFrom(3, Failure{{}, "Input/output error", 5});
    config.attach_form(form, true);

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "Pelora: Error: 5. Cannot Load Configuration for FRM_NMEA # 3. Using Default Values. "
              "/home/ship/.config/pelora/pelora.ini: Input/output error.");
    EXPECT_EQ(shown(), kDefaults);
    EXPECT_THAT(form.loadedvalues->values, ElementsAre("10S30.0000", "12", "1", "", "", ""));

    dialogs.answers = {DialogAnswer::Cancel};
    EXPECT_FALSE(config.query_close(form));
    EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST_F(AutoConfigTest, SaveFailureIsReportedAndTheProgramStaysOpen) {
    config.attach_form(form, true);
    store.failWrites(Failure{{}, "Permission denied", 13});

    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_FALSE(config.query_close(form));
    EXPECT_EQ(ends, 0);
    EXPECT_FALSE(config.ended());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "Pelora: Error: 13. Cannot Save Configuration for FRM_NMEA # 0 to "
              "/home/ship/.config/pelora/pelora.ini (Permission denied). The program stays open.");
    EXPECT_EQ(store.writeCount(), 1);  // the form's one pass, which failed

    // The operator can still answer No and leave.
    dialogs.answers = {DialogAnswer::No};
    EXPECT_TRUE(config.query_close(form));
    EXPECT_EQ(ends, 1);
}

TEST_F(AutoConfigTest, NewCheckBoxFallsBackToDefaultsAndIsStoredAtTheNextYes) {
    storeAll("10S30.0000", "12", "1", "0", "RMC", "COM 3");
    form.add("chk_new", Kind::Check, "1");
    config.attach_form(form, true);
    EXPECT_EQ(shown(), kDefaults);

    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_TRUE(config.query_close(form));
    EXPECT_EQ(store.entry(kApp, kSection, "chk_new"), "1");
    EXPECT_EQ(store.entry(kApp, kSection, "txt_lat"), "54N00.0000");
}

TEST_F(AutoConfigTest, EveryAttachedFormIsRefreshedAndSaved) {
    FakeForm other("FRM_OTHER");
    other.add("txt_x", Kind::Text, "x");
    store.setEntry(kApp, "FRM_OTHER", "txt_x", "x");
    config.attach_form(form, true);   // first run: counts as changed
    config.attach_form(other, true);  // restored: unchanged
    EXPECT_EQ(config.attached_forms().size(), 2u);

    other["txt_x"].value = "y";
    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_TRUE(config.query_close(form));
    ASSERT_TRUE(other.currentvalues);  // no early exit after the first changed form
    EXPECT_EQ(other.currentvalues->values[0], "y");
    EXPECT_EQ(store.entry(kApp, "FRM_OTHER", "txt_x"), "y");
    EXPECT_EQ(store.entry(kApp, kSection, "cmb_NMEA"), "GLL");
}

TEST_F(AutoConfigTest, FormWithoutRecognisedControlsNeverAsks) {
    FakeForm plain("F");
    plain.add("Label1", Kind::Label, "x");
    plain.add("CMD_GO", Kind::Button, "");
    config.attach_form(plain, true);
    EXPECT_EQ(plain.loadedvalues, ValueSet{});
    EXPECT_EQ(store.readCount(), 0);
    EXPECT_TRUE(config.query_close(plain));
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(store.writeCount(), 0);
}

TEST_F(AutoConfigTest, ValueSetWithoutColumnForAControlIsRejected) {
    ValueSet shortSet;
    shortSet.append("txt_lat", "1N");
    EXPECT_FALSE(config.apply_values(form, shortSet));
    EXPECT_EQ(form.shown("txt_lat"), "1N");  // already set controls keep their new values
}

TEST(SameValues, ComparesNamesAndValuesExactly) {
    ValueSet a;
    a.append("txt_a", "Abc");
    ValueSet otherCase = a;
    otherCase.values[0] = "abc";
    ValueSet otherName = a;
    otherName.names[0] = "txt_b";
    ValueSet longer = a;
    longer.append("txt_c", "");

    EXPECT_TRUE(AutoConfig::same_values(a, a));
    EXPECT_TRUE(AutoConfig::same_values(ValueSet{}, ValueSet{}));
    EXPECT_FALSE(AutoConfig::same_values(a, std::nullopt));
    EXPECT_FALSE(AutoConfig::same_values(a, otherCase));
    EXPECT_FALSE(AutoConfig::same_values(a, otherName));
    EXPECT_FALSE(AutoConfig::same_values(a, longer));
}

struct PrefixRow {
    const char* name;
    const char* property;  // nullptr: not stored
};

void PrintTo(const PrefixRow& row, std::ostream* out) { *out << '"' << row.name << '"'; }

class StoredProperty : public ::testing::TestWithParam<PrefixRow> {};

TEST_P(StoredProperty, FollowsTheFirstThreeCharactersExactly) {
    const auto property = storedProperty(GetParam().name);
    if (GetParam().property == nullptr) {
        EXPECT_FALSE(property);
    } else {
        EXPECT_EQ(property, GetParam().property);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, StoredProperty,
    ::testing::Values(PrefixRow{"txt_lat", "text"}, PrefixRow{"chk_sum", "Value"},
                      PrefixRow{"cmb_PORT", "text"}, PrefixRow{"colHull", "BackColor"},
                      PrefixRow{"lab_x", "Caption"}, PrefixRow{"opt_a", "Value"},
                      PrefixRow{"LAB_NMEA", nullptr}, PrefixRow{"Lab_BaudRate", nullptr},
                      PrefixRow{"Label12", nullptr}, PrefixRow{"Txt_a", nullptr},
                      PrefixRow{"tx", nullptr}, PrefixRow{"", nullptr}));

TEST(LoadFailureMessage, NumbersGetABlankUnlessNegative) {
    EXPECT_EQ(loadFailureMessage(5, "FRM_NMEA", 3),
              "Error: 5. Cannot Load Configuration for FRM_NMEA # 3. Using Default Values.");
    EXPECT_EQ(loadFailureMessage(-2147467259, "F", 0),
              "Error:-2147467259. Cannot Load Configuration for F # 0. Using Default Values.");
}

}  // namespace
}  // namespace pelora
