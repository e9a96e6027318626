#include "config/endpoint.h"

#include "text/text.h"

namespace pelora {

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

Failure badEndpoint(std::string_view text, std::string reason) {
    return Failure{"\"" + std::string(text) + "\" is not an output", std::move(reason), 0};
}

// A character a host name or address may hold: printable, not a blank and none of the
// characters that delimit an endpoint (the IPv6 brackets' colon only inside brackets).
bool isHostCharacter(char c, bool bracketed) {
    if (c <= ' ' || c > '~') return false;
    if (c == '[' || c == ']' || c == '/' || c == '?' || c == '&') return false;
    return bracketed || c != ':';
}

bool isSchemeCharacter(char c) {
    return (c >= 'a' && c <= 'z') || isDigit(c) || c == '-';
}

}  // namespace

std::optional<int> portNumberFromText(std::string_view text) {
    const std::optional<long long> number = wholeNumber(trim(text));
    if (!number || *number < kLowestPort || *number > kHighestPort) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

std::string Endpoint::option(std::string_view key) const {
    for (const auto& [name, value] : options) {
        if (name == key) return value;
    }
    return {};
}

std::string hostPortText(const std::string& host, int port) {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string Endpoint::text() const {
    if (scheme == kStandardOutput) return scheme;
    std::string text = scheme + ":" + (port != 0 ? "//" + hostPortText(host, port) : path);
    char separator = '?';
    for (const auto& [key, value] : options) {
        text += separator + key + (value.empty() ? "" : "=" + value);
        separator = '&';
    }
    return text;
}

Result<Endpoint> parseEndpoint(std::string_view text) {
    Endpoint endpoint;
    const std::string_view whole = trim(text);
    if (whole == kStandardOutput) {
        endpoint.scheme = std::string(kStandardOutput);
        return endpoint;
    }
    for (const char c : whole) {
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') {
            return badEndpoint(whole, "it holds a control character");
        }
    }
    const std::size_t colon = whole.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return badEndpoint(whole, "it must start with a kind such as tcp://, udp://, serial:, pty:, file: or be -");
    }
    endpoint.scheme = std::string(whole.substr(0, colon));
    for (const char c : endpoint.scheme) {
        if (!isSchemeCharacter(c)) {
            return badEndpoint(whole, "\"" + endpoint.scheme + "\" is not a kind of output");
        }
    }
    if (endpoint.scheme == kStandardOutput) {
        return badEndpoint(whole, "standard output is - alone");
    }
    std::string_view rest = whole.substr(colon + 1);
    if (const std::size_t question = rest.find('?'); question != std::string_view::npos) {
        std::string_view options = rest.substr(question + 1);
        rest = rest.substr(0, question);
        while (!options.empty()) {
            const std::size_t amp = options.find('&');
            const std::string_view pair = options.substr(0, amp);
            const std::size_t equals = pair.find('=');
            const std::string_view name = trim(pair.substr(0, equals));
            if (name.empty()) {
                return badEndpoint(whole, "an option after \"?\" has no name");
            }
            endpoint.options.emplace_back(std::string(name), equals == std::string_view::npos
                                                                 ? std::string()
                                                                 : std::string(trim(pair.substr(equals + 1))));
            options = amp == std::string_view::npos ? std::string_view() : options.substr(amp + 1);
        }
    }
    rest = trim(rest);
    if (rest.substr(0, 2) != "//") {
        endpoint.path = std::string(rest);
        return endpoint;
    }
    const std::string_view authority = rest.substr(2);
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find("]:");
        if (close == std::string_view::npos) {
            return badEndpoint(whole, "an IPv6 address is written [ADDRESS]:PORT");
        }
        endpoint.host = std::string(authority.substr(1, close - 1));
        portText = authority.substr(close + 2);
    } else {
        const std::size_t last = authority.rfind(':');
        if (last == std::string_view::npos) {
            return badEndpoint(whole, "it needs ADDRESS:PORT after //");
        }
        endpoint.host = std::string(authority.substr(0, last));
        portText = authority.substr(last + 1);
    }
    const std::optional<int> port = portNumberFromText(portText);
    if (endpoint.host.empty()) {
        return badEndpoint(whole, "it needs an address before the port");
    }
    const bool bracketed = authority.front() == '[';
    for (const char c : endpoint.host) {
        if (!isHostCharacter(c, bracketed)) {
            return badEndpoint(whole, bracketed || c != ':' ? "\"" + endpoint.host + "\" is not an address or host name"
                                                            : "an IPv6 address is written [ADDRESS]:PORT");
        }
    }
    if (!port) {
        return badEndpoint(whole, "\"" + std::string(portText) + "\" is not a port number from 1 to 65535");
    }
    endpoint.port = *port;
    return endpoint;
}

}  // namespace pelora
