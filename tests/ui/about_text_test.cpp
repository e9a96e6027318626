#include "dialogs/about_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace pelora {
namespace {

std::vector<std::string> splitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return lines;
        }
        start = end + 2;
    }
}

TEST(AboutText, ReadsExactlyForThisVersionAndYear) {
    EXPECT_EQ(About_Text("1.1.12", 2026),
              "Pelora 1.1.12   \r\n"
              "Copyright (c) Pelora developers 2026\r\n"
              "\r\n"
              "See pelora.example.org for further details.");
}

TEST(AboutText, PutsTheGivenVersionTextInPlace) {
    EXPECT_EQ(splitCrLf(About_Text("2.0.3", 2026))[0], "Pelora 2.0.3   ");
}

struct YearRow {
    const char* name;
    int year;
    const char* secondLine;
};

void PrintTo(const YearRow& row, std::ostream* out) { *out << row.name; }

class AboutTextYear : public ::testing::TestWithParam<YearRow> {};

TEST_P(AboutTextYear, SecondLineIsTheNoticeAndTheYear) {
    EXPECT_EQ(splitCrLf(About_Text("1.1.12", GetParam().year))[1], GetParam().secondLine);
}

INSTANTIATE_TEST_SUITE_P(
    Years, AboutTextYear,
    ::testing::Values(YearRow{"ThisYear", 2026, "Copyright (c) Pelora developers 2026"},
                      YearRow{"AnotherYear", 2031, "Copyright (c) Pelora developers 2031"},
                      YearRow{"ThreeDigitYearPadded", 999, "Copyright (c) Pelora developers 0999"},
                      YearRow{"FiveDigitYearWhole", 10000, "Copyright (c) Pelora developers 10000"}),
    [](const ::testing::TestParamInfo<YearRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
