// The Sentences dialog's fields read into the receiver's choices: what is the profile's own is
// left to it, what the user changed is kept, and what cannot be used is refused with the reason.
#include "present/receiver_form.h"

#include <functional>

#include <gtest/gtest.h>

namespace pelora {
namespace {

constexpr char kMarine[] = "Marine GPS (NMEA 2.3)";
constexpr char kMultiGnss[] = "Multi-GNSS (NMEA 4.10)";

struct FormRow {
    const char* name;
    const char* profile;
    std::function<void(ReceiverForm&)> edit;
    const char* problem;                                    // "" when the form reads
    std::function<void(ReceiverChoices&)> expectedChanges;  // onto ReceiverChoices{profile}
};

void PrintTo(const FormRow& row, std::ostream* os) { *os << row.name; }

class ReceiverFormRows : public ::testing::TestWithParam<FormRow> {};

TEST_P(ReceiverFormRows, ReadIntoChoicesOrRefused) {
    const FormRow& row = GetParam();
    ReceiverChoices start;
    start.profile = row.profile;
    ReceiverForm form = receiverForm(start);
    if (row.edit) row.edit(form);
    const ReceiverFormRead read = readReceiverForm(form);
    EXPECT_EQ(read.problem, row.problem);
    if (std::string(row.problem).empty()) {
        ASSERT_TRUE(read.choices.has_value());
        ReceiverChoices expected;
        expected.profile = row.profile;
        if (row.expectedChanges) row.expectedChanges(expected);
        EXPECT_EQ(*read.choices, expected);
        // Shown again and read back, the choices stay as they are.
        EXPECT_EQ(readReceiverForm(receiverForm(*read.choices)).choices, read.choices);
    } else {
        EXPECT_FALSE(read.choices.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReceiverFormRows,
    ::testing::Values(
        FormRow{"AProfileAsItStandsLeavesEverythingToIt", kMultiGnss, {}, "", {}},
        FormRow{"AChangedTalkerVersionAndSystemsAreKept", kMarine,
                [](ReceiverForm& form) {
                    form.talker = "GN";
                    form.version = "4.11";
                    form.systems = {GnssSystem::Gps, GnssSystem::Galileo};
                },
                "",
                [](ReceiverChoices& choices) {
                    choices.talker = "GN";
                    choices.version = NmeaVersion::V411;
                    choices.systems = {GnssSystem::Gps, GnssSystem::Galileo};
                }},
        FormRow{"CustomKeepsItsOwnList", "Custom",
                [](ReceiverForm& form) { form.sentences = {"ZDA", "RMC", "GSV"}; }, "",
                [](ReceiverChoices& choices) { choices.sentences = {"ZDA", "RMC", "GSV"}; }},
        FormRow{"MaskAltitudeAndFixState", kMarine,
                [](ReceiverForm& form) {
                    form.mask = " 12.5 ";
                    form.altitude = "-3";
                    form.noFix = true;
                    form.differential = true;
                },
                "",
                [](ReceiverChoices& choices) {
                    choices.elevationMaskDeg = 12.5;
                    choices.antennaAltitudeMetres = -3;
                    choices.fixAvailable = false;
                    choices.differential = true;
                }},
        FormRow{"OwnLinesTrimmedBlankOnesDropped", "Single sentence",
                [](ReceiverForm& form) { form.lines = "  $PXXX,1*  \r\n\n\t!AIVDM,test\n"; }, "",
                [](ReceiverChoices& choices) { choices.customLines = {"$PXXX,1*", "!AIVDM,test"}; }},
        FormRow{"AnEmptyListSendsNothing", "Custom", [](ReceiverForm& form) { form.sentences.clear(); },
                "The receiver sends no sentence: add at least one sentence type.", {}},
        FormRow{"NoSystem", kMultiGnss, [](ReceiverForm& form) { form.systems.clear(); },
                "The receiver tracks no satellite system: choose at least one.", {}},
        FormRow{"MaskAboveTheZenith", kMarine, [](ReceiverForm& form) { form.mask = "91"; },
                "The elevation mask \"91\" must be a number of degrees from 0 to 90.", {}},
        FormRow{"AltitudeNotANumber", kMarine, [](ReceiverForm& form) { form.altitude = "10 m"; },
                "The antenna altitude \"10 m\" must be a number of metres from -500 to 10000.", {}},
        FormRow{"ALineWithATabInside", kMarine, [](ReceiverForm& form) { form.lines = "$PA,1\n$PB,\t2"; },
                "Own line 2 holds a character NMEA 0183 cannot carry: only printable ASCII is sent.", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiverForm, PickingAProfileShowsItsOwnAndCustomStartsFromWhatWasShown) {
    ReceiverChoices multi;
    multi.profile = kMultiGnss;
    multi.talker = "GP";
    const ReceiverForm shown = receiverForm(multi);
    EXPECT_EQ(shown.talker, "GP");

    const ReceiverForm custom = withProfile(shown, "Custom");
    EXPECT_EQ(custom.profile, "Custom");
    EXPECT_EQ(custom.sentences, shown.sentences);
    EXPECT_EQ(custom.systems, shown.systems);
    EXPECT_EQ(custom.talker, "GP");

    const ReceiverForm marine = withProfile(custom, kMarine);
    ReceiverChoices plainMarine;
    plainMarine.profile = kMarine;
    EXPECT_EQ(marine, receiverForm(plainMarine));
    EXPECT_FALSE(modelsReceiver("Single sentence"));
    EXPECT_TRUE(modelsReceiver(kMarine));
}

}  // namespace
}  // namespace pelora
