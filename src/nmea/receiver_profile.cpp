#include "nmea/receiver_profile.h"

#include <algorithm>
#include <array>

namespace pelora {

namespace {

constexpr std::array<std::string_view, 5> kTalkerIds{"GP", "GN", "GL", "GA", "GB"};

struct VersionName {
    NmeaVersion version;
    std::string_view text;
};
constexpr std::array kVersionNames{VersionName{NmeaVersion::V23, "2.3"}, VersionName{NmeaVersion::V410, "4.10"},
                                   VersionName{NmeaVersion::V411, "4.11"}};

std::vector<ReceiverProfile> makeProfiles() {
    const std::vector<std::string> marine{"RMC", "VTG", "GGA", "GSA", "GSV", "GLL", "ZDA"};
    // A multi-system receiver adds GNS, which says per system whether it is used; GSA and
    // GSV come once per system.
    const std::vector<std::string> multi{"RMC", "VTG", "GGA", "GNS", "GSA", "GSV", "GLL", "ZDA"};
    const SentenceStyle seed;
    const SentenceStyle marineStyle{false, "GP", NmeaVersion::V23, {GnssSystem::Gps}};
    const SentenceStyle multiStyle{
        false, "GN", NmeaVersion::V410,
        {GnssSystem::Gps, GnssSystem::Glonass, GnssSystem::Galileo, GnssSystem::Beidou}};
    return {
        ReceiverProfile{"Single sentence", seed, {}},
        ReceiverProfile{"Marine GPS (NMEA 2.3)", marineStyle, marine},
        ReceiverProfile{"Multi-GNSS (NMEA 4.10)", multiStyle, multi},
        ReceiverProfile{"Custom", marineStyle, marine},
    };
}

}  // namespace

std::span<const ReceiverProfile> receiverProfiles() {
    static const std::vector<ReceiverProfile> profiles = makeProfiles();
    return profiles;
}

const ReceiverProfile* findReceiverProfile(std::string_view name) {
    const std::span<const ReceiverProfile> profiles = receiverProfiles();
    const auto found = std::find_if(profiles.begin(), profiles.end(),
                                    [name](const ReceiverProfile& profile) { return profile.name == name; });
    return found == profiles.end() ? nullptr : &*found;
}

std::span<const std::string_view> talkerIds() {
    return kTalkerIds;
}

std::string_view nmeaVersionText(NmeaVersion version) {
    for (const VersionName& name : kVersionNames) {
        if (name.version == version) return name.text;
    }
    return kVersionNames.front().text;
}

std::optional<NmeaVersion> nmeaVersionFromText(std::string_view text) {
    for (const VersionName& name : kVersionNames) {
        if (name.text == text) return name.version;
    }
    return std::nullopt;
}

}  // namespace pelora
