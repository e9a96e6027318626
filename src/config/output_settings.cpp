#include "config/output_settings.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "text/text.h"

namespace pelora {
namespace {

std::optional<std::string> readKey(SettingsStore& store, const std::string& application,
                                   const char* key) {
    SettingRead read = store.GetSetting(application, kOutputSection, key);
    if (!read.ok() || read.value.empty()) {
        return std::nullopt;
    }
    return std::move(read.value);
}

// Names a stored value that cannot be used: "Output/TcpPort=99999".
void refuse(std::vector<std::string>* unusable, const char* key, const std::string& value) {
    if (unusable != nullptr) unusable->push_back(std::string(kOutputSection) + "/" + key + "=" + value);
}

// "1" and "0", and "true" and "false" as people and Qt write them.
void readSwitch(SettingsStore& store, const std::string& application, const char* key, bool& on,
                std::vector<std::string>* unusable) {
    const std::optional<std::string> text = readKey(store, application, key);
    if (!text) return;
    std::string word(trim(*text));
    std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (word == "1" || word == "true") {
        on = true;
    } else if (word == "0" || word == "false") {
        on = false;
    } else {
        refuse(unusable, key, *text);
    }
}

void readText(SettingsStore& store, const std::string& application, const char* key,
              std::string& value) {
    if (std::optional<std::string> text = readKey(store, application, key)) {
        value = std::string(trim(*text));
    }
}

void readPort(SettingsStore& store, const std::string& application, const char* key, int& port,
              std::vector<std::string>* unusable) {
    if (const std::optional<std::string> text = readKey(store, application, key)) {
        if (const std::optional<int> number = portNumberFromText(*text)) {
            port = *number;
        } else {
            refuse(unusable, key, *text);
        }
    }
}

std::string switchText(bool on) { return on ? "1" : "0"; }

std::string joinedEndpoints(const std::vector<std::string>& endpoints) {
    std::string text;
    for (const std::string& endpoint : endpoints) {
        text += (text.empty() ? "" : ", ") + endpoint;
    }
    return text;
}

}  // namespace

OutputSettings loadOutputSettings(SettingsStore& store, const std::string& application,
                                  std::vector<std::string>* unusable) {
    OutputSettings settings;
    readSwitch(store, application, "Tcp", settings.tcp, unusable);
    readText(store, application, "TcpAddress", settings.tcpAddress);
    readPort(store, application, "TcpPort", settings.tcpPort, unusable);
    readSwitch(store, application, "Udp", settings.udp, unusable);
    readText(store, application, "UdpAddress", settings.udpAddress);
    readPort(store, application, "UdpPort", settings.udpPort, unusable);
    readSwitch(store, application, "Pty", settings.pty, unusable);
    readText(store, application, "PtyLink", settings.ptyLink);
    std::string endpoints;
    readText(store, application, "Endpoints", endpoints);
    for (std::size_t start = 0; start < endpoints.size();) {
        const std::size_t comma = std::min(endpoints.find(',', start), endpoints.size());
        const std::string_view endpoint = trim(std::string_view(endpoints).substr(start, comma - start));
        if (!endpoint.empty()) settings.endpoints.emplace_back(endpoint);
        start = comma + 1;
    }
    readSwitch(store, application, "Utc", settings.utc, unusable);
    return settings;
}

std::optional<Failure> saveOutputSettings(SettingsStore& store, const std::string& application,
                                                const OutputSettings& settings) {
    const std::vector<std::pair<std::string, std::string>> entries{
        {"Tcp", switchText(settings.tcp)},
        {"TcpAddress", settings.tcpAddress},
        {"TcpPort", std::to_string(settings.tcpPort)},
        {"Udp", switchText(settings.udp)},
        {"UdpAddress", settings.udpAddress},
        {"UdpPort", std::to_string(settings.udpPort)},
        {"Pty", switchText(settings.pty)},
        {"PtyLink", settings.ptyLink},
        {"Endpoints", joinedEndpoints(settings.endpoints)},
        {"Utc", switchText(settings.utc)},
    };
    return store.saveSettings(application, kOutputSection, entries);
}

}  // namespace pelora
