#include "config/output_settings.h"

#include <algorithm>
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

void readSwitch(SettingsStore& store, const std::string& application, const char* key, bool& on) {
    const std::optional<std::string> text = readKey(store, application, key);
    if (text == "1") {
        on = true;
    } else if (text == "0") {
        on = false;
    }
}

void readText(SettingsStore& store, const std::string& application, const char* key,
              std::string& value) {
    if (std::optional<std::string> text = readKey(store, application, key)) {
        value = std::string(trim(*text));
    }
}

void readPort(SettingsStore& store, const std::string& application, const char* key, int& port) {
    if (const std::optional<std::string> text = readKey(store, application, key)) {
        port = portNumberFromText(*text).value_or(port);
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

OutputSettings loadOutputSettings(SettingsStore& store, const std::string& application) {
    OutputSettings settings;
    readSwitch(store, application, "Tcp", settings.tcp);
    readText(store, application, "TcpAddress", settings.tcpAddress);
    readPort(store, application, "TcpPort", settings.tcpPort);
    readSwitch(store, application, "Udp", settings.udp);
    readText(store, application, "UdpAddress", settings.udpAddress);
    readPort(store, application, "UdpPort", settings.udpPort);
    readSwitch(store, application, "Pty", settings.pty);
    readText(store, application, "PtyLink", settings.ptyLink);
    std::string endpoints;
    readText(store, application, "Endpoints", endpoints);
    for (std::size_t start = 0; start < endpoints.size();) {
        const std::size_t comma = std::min(endpoints.find(',', start), endpoints.size());
        const std::string_view endpoint = trim(std::string_view(endpoints).substr(start, comma - start));
        if (!endpoint.empty()) settings.endpoints.emplace_back(endpoint);
        start = comma + 1;
    }
    readSwitch(store, application, "Utc", settings.utc);
    return settings;
}

std::optional<SettingsError> saveOutputSettings(SettingsStore& store, const std::string& application,
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
