#include "dialogs/about_text.h"

#include <cstdio>

namespace pelora {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

std::string yearText(int year) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", year);
    return digits;
}

}  // namespace

std::string About_Text(std::string_view versionText, int year) {
    std::string text;
    text.append(kAppTitle).append(" ").append(versionText).append("   ").append(kLineBreak);
    text.append(kMakerNotice).append(yearText(year)).append(kLineBreak);
    text.append(kLineBreak);
    text.append("See ").append(kSiteHost).append(" for further details.");
    return text;
}

}  // namespace pelora
