#include "config/output_settings.h"

#include <utility>
#include <vector>

#include "text/text.h"

namespace pelora {
namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

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

}  // namespace

std::optional<int> portNumberFromText(const std::string& text) {
    const std::optional<long long> number = wholeNumber(trim(text));
    if (!number || *number < kLowestPort || *number > kHighestPort) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

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
        {"Utc", switchText(settings.utc)},
    };
    return store.saveSettings(application, kOutputSection, entries);
}

}  // namespace pelora
