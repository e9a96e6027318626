#pragma once

#include <optional>
#include <string>

#include "config/settings_store.h"
#include "nmea/output.h"

namespace pelora {

// The settings file's group that holds the output choices.
inline constexpr char kOutputSection[] = "Output";

// Reads the output choices of `application` from the [Output] group: Tcp, TcpAddress,
// TcpPort, Udp, UdpAddress, UdpPort, Pty, PtyLink and Utc (on/off as "1"/"0"). A missing,
// unreadable or unusable key means its default; a damaged key spoils only itself.
OutputSettings loadOutputSettings(SettingsStore& store, const std::string& application);

// Writes all nine keys in one pass. Returns the error when they did not reach the store.
std::optional<SettingsError> saveOutputSettings(SettingsStore& store, const std::string& application,
                                                const OutputSettings& settings);

// Reads a port number for TcpPort or UdpPort: a whole number from 1 to 65535, nothing else.
std::optional<int> portNumberFromText(const std::string& text);

}  // namespace pelora
