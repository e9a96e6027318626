#pragma once

#include <QHostAddress>

#include <optional>
#include <string>
#include <vector>

#include "config/output_settings.h"

namespace pelora {

// Reads an output's address: an IPv4 address in four dotted parts ("127.0.0.1", "0.0.0.0",
// "192.168.1.255") or an IPv6 address ("::1", "::"), blanks around it ignored. Host names and
// the short IPv4 forms ("127.1") give nothing.
std::optional<QHostAddress> outputAddressFromText(const std::string& text);

// Whether `port` is a port number an output can use: 1 to 65535.
bool isPortNumber(int port);

// "address:port" as the messages and the status show it; IPv6 in brackets ("[::1]:10110").
std::string endpointText(const std::string& address, int port);

// Why `text` names no output a user may keep among the further outputs (what the endpoint
// reader or the output factory refuses, or a comma, which separates the outputs in the settings
// file), as one message; "" when it names one.
std::string endpointProblem(const std::string& text);

// What is wrong with the choices, one message each, in the order TCP address, TCP port, UDP
// address, UDP port, link, further outputs (endpointProblem()); empty when they are usable.
// Checks every field, whether its output is on or not: the addresses must be IP addresses, the
// ports 1 to 65535, and the link (when not empty, which means defaultPtyLink()) an absolute path
// outside the system folders (systemFolderOf) whose folder exists or can be created, where
// nothing stands but a link the program made. Does not check that an address belongs to this
// computer or that a port is free: starting the output tells.
std::vector<std::string> outputSettingsProblems(const OutputSettings& settings);

}  // namespace pelora
