#include "config/ini_document.h"

#include <gtest/gtest.h>

namespace pelora {
namespace {

// Setting entries changes only the values it names; every other byte of the text stays.
struct EditRow {
    const char* name;
    const char* before;
    const char* group;
    IniDocument::Entries entries;
    const char* after;
};

void PrintTo(const EditRow& row, std::ostream* out) { *out << row.name; }

class IniEditTest : public ::testing::TestWithParam<EditRow> {};

TEST_P(IniEditTest, ChangesOnlyTheNamedValues) {
    IniDocument document(GetParam().before);
    document.setValues(GetParam().group, GetParam().entries);
    EXPECT_EQ(document.text(), GetParam().after);
    for (const auto& [key, value] : GetParam().entries) {
        EXPECT_EQ(document.value(GetParam().group, key), (IniValue{value, false})) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IniEditTest,
    ::testing::Values(
        EditRow{"ReplacedInPlaceKeepingBlanksAndComments",
                "; my settings\n[FRM_NMEA]\ntxt_SPEED = 6 ; knots\n# late\ncmb_PORT=COM 1\n",
                "FRM_NMEA",
                {{"txt_SPEED", "12"}, {"cmb_PORT", "COM 2"}},
                "; my settings\n[FRM_NMEA]\ntxt_SPEED = 12 ; knots\n# late\ncmb_PORT=COM 2\n"},
        EditRow{"NewKeyAfterTheGroupsLastEntry",
                "[FRM_NMEA]\ntxt_SPEED=6\n\n; the port map\n[Ports]\nCOM1=/dev/pts/3\n",
                "FRM_NMEA",
                {{"chk_sum", "1"}},
                "[FRM_NMEA]\ntxt_SPEED=6\nchk_sum=1\n\n; the port map\n[Ports]\nCOM1=/dev/pts/3\n"},
        EditRow{"NewGroupAtTheEnd", "[Ports]\nCOM1=/dev/pts/3", "FRM_NMEA",
                {{"txt_lat", "54N00.0000"}, {"cmb_PORT", "COM 1"}},
                "[Ports]\nCOM1=/dev/pts/3\n\n[FRM_NMEA]\ntxt_lat=54N00.0000\ncmb_PORT=COM 1\n"},
        EditRow{"EmptyText", "", "FRM_NMEA", {{"chk_sum", "0"}}, "[FRM_NMEA]\nchk_sum=0\n"},
        EditRow{"HeaderOnlyGroupWithoutLineEnd", "[FRM_NMEA]", "FRM_NMEA", {{"chk_sum", "0"}},
                "[FRM_NMEA]\nchk_sum=0\n"},
        EditRow{"WindowsLineEndsStay", "[FRM_NMEA]\r\ntxt_SPEED=6\r\n", "FRM_NMEA",
                {{"txt_SPEED", "7"}, {"chk_sum", "1"}}, "[FRM_NMEA]\r\ntxt_SPEED=7\r\nchk_sum=1\r\n"},
        EditRow{"GarbageAndDamagedLinesStay",
                "[FRM_NMEA]\ngarbage\n\x01\xff\n[Ports]\nCOM1=\"/dev/pts/3\nCOM5=/dev/pts/4\n",
                "FRM_NMEA",
                {{"txt_SPEED", "6"}},
                "[FRM_NMEA]\ntxt_SPEED=6\ngarbage\n\x01\xff\n[Ports]\nCOM1=\"/dev/pts/3\nCOM5=/dev/pts/4\n"},
        EditRow{"DamagedValueIsReplacedWhole", "[FRM_NMEA]\ntxt_lat=\"54N ; x\n", "FRM_NMEA",
                {{"txt_lat", "1N"}}, "[FRM_NMEA]\ntxt_lat=1N\n"},
        EditRow{"LastOfTwoEntriesAndBlockOfARepeatedGroup",
                "[FRM_NMEA]\ntxt_SPEED=1\n[Ports]\n[FRM_NMEA]\ntxt_SPEED=2\n[Other]\n", "FRM_NMEA",
                {{"txt_SPEED", "3"}, {"chk_sum", "0"}},
                "[FRM_NMEA]\ntxt_SPEED=1\n[Ports]\n[FRM_NMEA]\ntxt_SPEED=3\nchk_sum=0\n[Other]\n"},
        EditRow{"ValuesQSettingsWouldQuoteOrEscape", "", "FRM_NMEA",
                {{"a", "x,y"}, {"b", " pad "}, {"c", "say \"hi\"\\"}, {"d", "@home"}, {"e", "tab\there"},
                 {"f", ""}, {"g", "\x01" "2"}},
                "[FRM_NMEA]\na=\"x,y\"\nb=\" pad \"\nc=say \\\"hi\\\"\\\\\nd=@@home\ne=tab\\there\nf=\n"
                "g=\\x1\\x32\n"},
        EditRow{"GroupNamedGeneral", "[General]\nroot=1\n", "General", {{"k", "v"}},
                "[General]\nroot=1\n\n[%General]\nk=v\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Reading: a damaged line or value spoils only itself.
struct ReadRow {
    const char* name;
    const char* text;
    const char* group;
    const char* key;
    std::optional<IniValue> value;
};

void PrintTo(const ReadRow& row, std::ostream* out) { *out << row.name; }

class IniReadTest : public ::testing::TestWithParam<ReadRow> {};

TEST_P(IniReadTest, FindsTheValue) {
    EXPECT_EQ(IniDocument(GetParam().text).value(GetParam().group, GetParam().key), GetParam().value);
}

IniValue good(const char* text) { return {text, false}; }

INSTANTIATE_TEST_SUITE_P(
    Texts, IniReadTest,
    ::testing::Values(
        ReadRow{"GarbageLineInTheGroup", "[FRM_NMEA]\ngarbage\n\x01\xff\xfe junk\ntxt_lat=54N00.0000\n", "FRM_NMEA", "txt_lat", good("54N00.0000")},
        ReadRow{"HeaderWithoutClosingBracket", "[FRM_NMEA\ntxt_lat=54N00.0000\n", "FRM_NMEA", "txt_lat", good("54N00.0000")},
        ReadRow{"UnclosedQuoteIsDamaged", "[Ports]\nCOM1=\"/dev/pts/3\nCOM5=/dev/pts/4\n", "Ports", "COM1", IniValue{"/dev/pts/3", true}},
        ReadRow{"UnclosedQuoteEndsWithItsLine", "[Ports]\nCOM1=\"/dev/pts/3\nCOM5=/dev/pts/4\n", "Ports", "COM5", good("/dev/pts/4")},
        ReadRow{"CommentsBlanksAndTrailingComment", "; top\n\n[FRM_NMEA]\n# note\n  txt_SPEED =  6  ; knots\n", "FRM_NMEA", "txt_SPEED", good("6")},
        ReadRow{"CommentedOutEntry", "[Ports]\n;COM1=/dev/pts/3\n", "Ports", "COM1", std::nullopt},
        ReadRow{"CommaValueIsOneValue", "[Ports]\nCOM1 = /tmp/gps, port 1\n", "Ports", "COM1", good("/tmp/gps, port 1")},
        ReadRow{"TrailingComma", "[FRM_NMEA]\ntxt_end=x,\n", "FRM_NMEA", "txt_end", good("x,")},
        ReadRow{"QuotedWithEscapes", "[FRM_NMEA]\ntxt_note=\"a,b; \\\"c\\\" =d\"\n", "FRM_NMEA", "txt_note", good("a,b; \"c\" =d")},
        ReadRow{"NumericEscapes", "[FRM_NMEA]\nk=\\x41\\102\\tC\\\\\n", "FRM_NMEA", "k", good("AB\tC\\")},
        ReadRow{"QuotedBlanksKept", "[FRM_NMEA]\nk=\"  pad \"\n", "FRM_NMEA", "k", good("  pad ")},
        ReadRow{"DoubledAt", "[FRM_NMEA]\nk=@@home\n", "FRM_NMEA", "k", good("@home")},
        ReadRow{"PercentEscapedKeyAndGroup", "[My%20Form]\ntxt%20lat=1N\n", "My Form", "txt lat", good("1N")},
        ReadRow{"WindowsLineEnds", "[FRM_NMEA]\r\ntxt_lat=1N\r\n", "FRM_NMEA", "txt_lat", good("1N")},
        ReadRow{"ByteOrderMark", "\xEF\xBB\xBF[FRM_NMEA]\ntxt_lat=1N\n", "FRM_NMEA", "txt_lat", good("1N")},
        ReadRow{"LastOfTwoWins", "[FRM_NMEA]\nk=1\n[Ports]\n[FRM_NMEA]\nk=2\n", "FRM_NMEA", "k", good("2")},
        ReadRow{"KeysKeepTheirCase", "[FRM_NMEA]\ntxt_SPEED=1\n", "FRM_NMEA", "TXT_SPEED", std::nullopt},
        ReadRow{"OtherGroupsKeyIsNotThisOnes", "[FRM_NMEA]\nCOM1=/dev/x\n[Ports]\n", "Ports", "COM1", std::nullopt},
        ReadRow{"EmptyValue", "[FRM_NMEA]\nk=\n", "FRM_NMEA", "k", good("")}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
