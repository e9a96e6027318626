#include "present/receiver_form.h"

#include <algorithm>

#include "nmea/receiver_profile.h"
#include "nmea/sentence_table.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

constexpr char kCustomProfile[] = "Custom";

const ReceiverProfile& profileNamed(std::string_view name) {
    const ReceiverProfile* profile = findReceiverProfile(name);
    return profile != nullptr ? *profile : receiverProfiles().front();
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

// The number in `text` within [lowest, highest], or nothing.
std::optional<double> numberWithin(const std::string& text, double lowest, double highest) {
    const std::optional<double> value = strictNumberFromText(text);
    if (!value || !(*value >= lowest && *value <= highest)) return std::nullopt;
    return value;
}

bool printableAscii(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

}  // namespace

bool modelsReceiver(std::string_view profile) {
    return !profileNamed(profile).style.seedForm;
}

bool ownSentenceList(std::string_view profile) {
    return profile == kCustomProfile;
}

ReceiverForm receiverForm(const ReceiverChoices& choices) {
    const ReceiverProfile& profile = profileNamed(choices.profile);
    ReceiverForm form;
    form.profile = profile.name;
    form.sentences = profile.sentences;
    form.talker = profile.style.talker;
    form.version = std::string(nmeaVersionText(profile.style.version));
    form.systems = profile.style.systems;
    if (!profile.style.seedForm) {
        if (!choices.sentences.empty()) form.sentences = choices.sentences;
        if (!choices.talker.empty()) form.talker = choices.talker;
        if (choices.version) form.version = std::string(nmeaVersionText(*choices.version));
        if (!choices.systems.empty()) form.systems = choices.systems;
    }
    form.mask = shortestNumberText(choices.elevationMaskDeg);
    form.altitude = shortestNumberText(choices.antennaAltitudeMetres);
    form.noFix = !choices.fixAvailable;
    form.differential = choices.differential;
    form.lines = joinLines(choices.customLines);
    return form;
}

ReceiverForm withProfile(ReceiverForm form, const std::string& profileName) {
    const ReceiverProfile& profile = profileNamed(profileName);
    const bool keepShown = ownSentenceList(profile.name) && modelsReceiver(form.profile);
    form.profile = profile.name;
    if (!keepShown) {
        form.sentences = profile.sentences;
        form.talker = profile.style.talker;
        form.version = std::string(nmeaVersionText(profile.style.version));
        form.systems = profile.style.systems;
    }
    return form;
}

ReceiverFormRead readReceiverForm(const ReceiverForm& form) {
    ReceiverFormRead read;
    const ReceiverProfile* profile = findReceiverProfile(form.profile);
    if (profile == nullptr) {
        read.problem = "\"" + form.profile + "\" is not a receiver profile.";
        return read;
    }
    ReceiverChoices choices;
    choices.profile = profile->name;
    if (!profile->style.seedForm) {
        if (form.sentences.empty()) {
            read.problem = "The receiver sends no sentence: add at least one sentence type.";
            return read;
        }
        for (const std::string& name : form.sentences) {
            if (findSentenceType(name) == nullptr) {
                read.problem = "\"" + name + "\" is not a sentence type.";
                return read;
            }
        }
        const auto talkers = talkerIds();
        if (std::find(talkers.begin(), talkers.end(), form.talker) == talkers.end()) {
            read.problem = "\"" + form.talker + "\" is not a talker: the talkers are GP, GN, GL, GA and GB.";
            return read;
        }
        const std::optional<NmeaVersion> version = nmeaVersionFromText(form.version);
        if (!version) {
            read.problem = "\"" + form.version + "\" is not an NMEA version: the versions are 2.3, 4.10 and 4.11.";
            return read;
        }
        if (form.systems.empty()) {
            read.problem = "The receiver tracks no satellite system: choose at least one.";
            return read;
        }
        if (form.sentences != profile->sentences) choices.sentences = form.sentences;
        if (form.talker != profile->style.talker) choices.talker = form.talker;
        if (*version != profile->style.version) choices.version = version;
        if (form.systems != profile->style.systems) choices.systems = form.systems;
    }
    const std::optional<double> mask = numberWithin(form.mask, 0, kLargestElevationMaskDeg);
    if (!mask) {
        read.problem = "The elevation mask \"" + form.mask + "\" must be a number of degrees from 0 to 90.";
        return read;
    }
    const std::optional<double> altitude = numberWithin(form.altitude, kLowestAntennaMetres, kHighestAntennaMetres);
    if (!altitude) {
        read.problem = "The antenna altitude \"" + form.altitude + "\" must be a number of metres from -500 to 10000.";
        return read;
    }
    choices.elevationMaskDeg = *mask;
    choices.antennaAltitudeMetres = *altitude;
    choices.fixAvailable = !form.noFix;
    choices.differential = form.differential;

    const std::string_view lines = form.lines;
    int number = 0;
    for (std::size_t start = 0; start <= lines.size();) {
        ++number;
        std::size_t end = lines.find('\n', start);
        if (end == std::string_view::npos) end = lines.size();
        // A line pasted from elsewhere may end in CR: the wire's own line end comes after it.
        std::string_view line = trim(lines.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line = trim(line.substr(0, line.size() - 1));
        if (!printableAscii(line)) {
            read.problem = "Own line " + std::to_string(number) +
                           " holds a character NMEA 0183 cannot carry: only printable ASCII is sent.";
            return read;
        }
        if (!line.empty()) choices.customLines.emplace_back(line);
        start = end + 1;
    }
    read.choices = std::move(choices);
    return read;
}

}  // namespace pelora
