#pragma once

#include <string>
#include <string_view>

namespace pelora {

// The application title: message box titles and the first word of the About text.
inline constexpr std::string_view kAppTitle = "Pelora";

// The maker's web site: the About text names the host, the logo link opens the address.
inline constexpr std::string_view kSiteHost = "pelora.example.org";
inline constexpr std::string_view kSiteAddress = "https://pelora.example.org/";

// The maker's notice; the About text puts the current year directly after it.
inline constexpr std::string_view kMakerNotice = "Copyright (c) Pelora developers ";

// The text of the About box, lines ended by CR LF:
//   "Pelora <version>   " / "<notice><year>" / "" / "See <host> for further details."
// The year is written with at least four digits (leading zeros below 1000).
std::string About_Text(std::string_view versionText, int year);

}  // namespace pelora
