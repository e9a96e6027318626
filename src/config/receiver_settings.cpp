#include "config/receiver_settings.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "nmea/receiver_profile.h"
#include "nmea/sentence_table.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

struct SystemName {
    GnssSystem system;
    std::string_view name;
    std::string_view talker;
};
constexpr std::array kSystems{SystemName{GnssSystem::Gps, "GPS", "GP"},
                              SystemName{GnssSystem::Glonass, "GLONASS", "GL"},
                              SystemName{GnssSystem::Galileo, "Galileo", "GA"},
                              SystemName{GnssSystem::Beidou, "BeiDou", "GB"}};

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

std::vector<std::string_view> splitList(std::string_view text, char separator) {
    std::vector<std::string_view> items;
    while (true) {
        const std::size_t at = text.find(separator);
        const std::string_view item = trim(text.substr(0, at));
        if (!item.empty()) items.push_back(item);
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return items;
}

std::string join(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : separator) + item;
    }
    return text;
}

}  // namespace

std::string_view systemName(GnssSystem system) {
    for (const SystemName& known : kSystems) {
        if (known.system == system) return known.name;
    }
    return kSystems.front().name;
}

std::optional<std::vector<GnssSystem>> systemsFromText(std::string_view text, std::string& reason) {
    std::vector<GnssSystem> systems;
    for (const std::string_view item : splitList(text, ',')) {
        const auto found = std::find_if(kSystems.begin(), kSystems.end(), [item](const SystemName& known) {
            return sameText(known.name, item) || sameText(known.talker, item);
        });
        if (found == kSystems.end()) {
            reason = "\"" + std::string(item) + "\" is not GPS, GLONASS, Galileo or BeiDou";
            return std::nullopt;
        }
        if (std::find(systems.begin(), systems.end(), found->system) != systems.end()) {
            reason = std::string(found->name) + " is named twice";
            return std::nullopt;
        }
        systems.push_back(found->system);
    }
    if (systems.empty()) {
        reason = "no system is named";
        return std::nullopt;
    }
    return systems;
}

std::string systemsText(const std::vector<GnssSystem>& systems) {
    std::vector<std::string> names;
    for (const GnssSystem system : systems) names.emplace_back(systemName(system));
    return join(names, ",");
}

std::optional<std::vector<std::string>> sentencesFromText(std::string_view text, std::string& reason) {
    std::vector<std::string> sentences;
    for (const std::string_view item : splitList(text, ',')) {
        const SentenceType* type = findSentenceType(item);
        if (type == nullptr) {
            std::string known;
            for (const SentenceType& row : sentenceTypes()) known += (known.empty() ? "" : ", ") + std::string(row.name);
            reason = "\"" + std::string(item) + "\" is not a sentence type; the types are " + known;
            return std::nullopt;
        }
        sentences.emplace_back(type->name);
    }
    if (sentences.empty()) {
        reason = "no sentence type is named";
        return std::nullopt;
    }
    return sentences;
}

ReceiverChoices loadReceiverChoices(SettingsStore& store, const std::string& application,
                                    std::vector<std::string>* unusable) {
    ReceiverChoices choices;
    const auto read = [&](const char* key) -> std::optional<std::string> {
        SettingRead value = store.GetSetting(application, kReceiverSection, key);
        if (!value.ok() || trim(value.value).empty()) return std::nullopt;
        return std::string(trim(value.value));
    };
    const auto refuse = [&](const char* key, const std::string& value) {
        if (unusable != nullptr) unusable->push_back(std::string(kReceiverSection) + "/" + key + "=" + value);
    };
    const auto number = [&](const char* key, double lowest, double highest, double& out) {
        if (const auto text = read(key)) {
            const std::optional<double> value = strictNumberFromText(*text);
            if (value && *value >= lowest && *value <= highest) {
                out = *value;
            } else {
                refuse(key, *text);
            }
        }
    };
    const auto flag = [&](const char* key, bool& out) {
        if (const auto text = read(key)) {
            if (*text == "1" || sameText(*text, "true")) {
                out = true;
            } else if (*text == "0" || sameText(*text, "false")) {
                out = false;
            } else {
                refuse(key, *text);
            }
        }
    };
    std::string reason;
    if (const auto text = read("Profile")) {
        if (findReceiverProfile(*text) != nullptr) choices.profile = *text; else refuse("Profile", *text);
    }
    if (const auto text = read("Sentences")) {
        if (auto list = sentencesFromText(*text, reason)) choices.sentences = std::move(*list); else refuse("Sentences", *text);
    }
    if (const auto text = read("Talker")) {
        const auto ids = talkerIds();
        if (std::find(ids.begin(), ids.end(), *text) != ids.end()) choices.talker = *text; else refuse("Talker", *text);
    }
    if (const auto text = read("Version")) {
        if (auto version = nmeaVersionFromText(*text)) choices.version = version; else refuse("Version", *text);
    }
    if (const auto text = read("Systems")) {
        if (auto systems = systemsFromText(*text, reason)) choices.systems = std::move(*systems); else refuse("Systems", *text);
    }
    number("Mask", 0, kLargestElevationMaskDeg, choices.elevationMaskDeg);
    number("Altitude", kLowestAntennaMetres, kHighestAntennaMetres, choices.antennaAltitudeMetres);
    flag("Fix", choices.fixAvailable);
    flag("Differential", choices.differential);
    if (SettingRead lines = store.GetSetting(application, kReceiverSection, "Lines"); lines.ok()) {
        for (const std::string_view line : splitList(lines.value, '\n')) choices.customLines.emplace_back(line);
    }
    return choices;
}

std::optional<Failure> saveReceiverChoices(SettingsStore& store, const std::string& application,
                                                 const ReceiverChoices& choices) {
    const std::vector<std::pair<std::string, std::string>> entries{
        {"Profile", choices.profile},
        {"Sentences", join(choices.sentences, ",")},
        {"Talker", choices.talker},
        {"Version", choices.version ? std::string(nmeaVersionText(*choices.version)) : std::string()},
        {"Systems", systemsText(choices.systems)},
        {"Mask", shortestNumberText(choices.elevationMaskDeg)},
        {"Altitude", shortestNumberText(choices.antennaAltitudeMetres)},
        {"Fix", choices.fixAvailable ? "1" : "0"},
        {"Differential", choices.differential ? "1" : "0"},
        {"Lines", join(choices.customLines, "\n")},
    };
    return store.saveSettings(application, kReceiverSection, entries);
}

}  // namespace pelora
