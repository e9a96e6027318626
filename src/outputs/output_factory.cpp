#include "outputs/output_factory.h"

#include <QHostAddress>

#include <array>

#include "outputs/file_output.h"
#include "outputs/output_checks.h"
#include "outputs/pty_output.h"
#include "outputs/serial_output.h"
#include "outputs/stdout_output.h"
#include "outputs/tcp_client_output.h"
#include "outputs/tcp_server_output.h"
#include "outputs/udp_output.h"
#include "text/text.h"

namespace pelora {

namespace {

constexpr int kDefaultSerialBaud = 4800;

Failure refused(const Endpoint& endpoint, std::string reason) {
    return Failure{"\"" + endpoint.text() + "\" is not an output", std::move(reason), 0};
}

// The endpoint names a host and port (scheme://HOST:PORT), and no path or option.
std::optional<Failure> needsHostAndPort(const Endpoint& endpoint, bool addressOnly) {
    if (endpoint.port == 0) {
        return refused(endpoint, "write it " + endpoint.scheme + "://ADDRESS:PORT");
    }
    if (addressOnly && !outputAddressFromText(endpoint.host)) {
        return refused(endpoint, "\"" + endpoint.host + "\" is not an IPv4 or IPv6 address");
    }
    // fe80::/10, in any case: the same address is on every link, so the system needs to be told
    // which (a host name is left to the system's lookup).
    const QHostAddress address(QString::fromStdString(endpoint.host));
    if (address.protocol() == QAbstractSocket::IPv6Protocol && address.isLinkLocal() && address.scopeId().isEmpty()) {
        return refused(endpoint, "a link-local IPv6 address needs its interface, as in [fe80::1%eth0]");
    }
    if (!endpoint.options.empty()) {
        return refused(endpoint, "it takes no options");
    }
    return std::nullopt;
}

// The endpoint names an absolute path (scheme:/PATH), and with `optionsAllowed` false no option:
// a "?" in a file's name would otherwise cut the name short without a word.
std::optional<Failure> needsAbsolutePath(const Endpoint& endpoint, bool emptyAllowed, bool optionsAllowed) {
    if (endpoint.port != 0 || (endpoint.path.empty() && !emptyAllowed) ||
        (!endpoint.path.empty() && (endpoint.path.front() != '/' || endpoint.path.back() == '/'))) {
        return refused(endpoint, "write it " + endpoint.scheme + ":/ABSOLUTE/PATH");
    }
    if (!optionsAllowed && !endpoint.options.empty()) {
        return refused(endpoint, "it takes no options (a path cannot hold \"?\")");
    }
    return std::nullopt;
}

Result<std::unique_ptr<Output>> makeTcpServer(const Endpoint& endpoint) {
    if (auto problem = needsHostAndPort(endpoint, true)) return *problem;
    return std::unique_ptr<Output>(std::make_unique<TcpServerOutput>(endpoint.host, endpoint.port));
}

Result<std::unique_ptr<Output>> makeTcpClient(const Endpoint& endpoint) {
    if (auto problem = needsHostAndPort(endpoint, false)) return *problem;
    return std::unique_ptr<Output>(std::make_unique<TcpClientOutput>(endpoint.host, endpoint.port));
}

Result<std::unique_ptr<Output>> makeUdp(const Endpoint& endpoint) {
    if (auto problem = needsHostAndPort(endpoint, true)) return *problem;
    return std::unique_ptr<Output>(std::make_unique<UdpOutput>(endpoint.host, endpoint.port));
}

Result<std::unique_ptr<Output>> makePty(const Endpoint& endpoint) {
    if (auto problem = needsAbsolutePath(endpoint, true, false)) return *problem;
    const std::string link = endpoint.path.empty() ? defaultPtyLink() : endpoint.path;
    return std::unique_ptr<Output>(std::make_unique<PtyOutput>(link));
}

Result<std::unique_ptr<Output>> makeFile(const Endpoint& endpoint) {
    if (auto problem = needsAbsolutePath(endpoint, false, false)) return *problem;
    return std::unique_ptr<Output>(std::make_unique<FileOutput>(endpoint.path));
}

Result<std::unique_ptr<Output>> makeSerial(const Endpoint& endpoint) {
    if (auto problem = needsAbsolutePath(endpoint, false, true)) return *problem;
    int baud = kDefaultSerialBaud;
    for (const auto& [key, value] : endpoint.options) {
        const std::optional<long long> number = wholeNumber(value);
        if (key != "baud" || !number || *number <= 0 || *number > 4'000'000) {
            return refused(endpoint, "the only option is baud=RATE, e.g. ?baud=4800");
        }
        baud = static_cast<int>(*number);
    }
    return std::unique_ptr<Output>(std::make_unique<SerialOutput>(endpoint.path, baud));
}

Result<std::unique_ptr<Output>> makeStdout(const Endpoint& /*endpoint*/) {
    return std::unique_ptr<Output>(std::make_unique<StdoutOutput>());
}

const std::array kKinds{
    OutputKind{"serial", "serial:/dev/DEVICE?baud=RATE", "a serial device, 8N1 (4800 baud unless given)", makeSerial},
    OutputKind{"tcp", "tcp://ADDRESS:PORT", "a TCP server Pelora runs (127.0.0.1: this computer only)", makeTcpServer},
    OutputKind{"tcp-client", "tcp-client://HOST:PORT", "a TCP server Pelora connects to, again and again", makeTcpClient},
    OutputKind{"udp", "udp://ADDRESS:PORT", "one UDP datagram a line", makeUdp},
    OutputKind{"pty", "pty:/LINK", "a virtual serial port with a link at LINK", makePty},
    OutputKind{"file", "file:/PATH", "an NMEA log, appended line by line", makeFile},
    OutputKind{"-", "-", "standard output", makeStdout},
};

}  // namespace

std::span<const OutputKind> outputKinds() {
    return kKinds;
}

Result<std::unique_ptr<Output>> OutputFactory::make(const Endpoint& endpoint) {
    for (const OutputKind& kind : kKinds) {
        if (kind.scheme == endpoint.scheme) {
            return kind.make(endpoint);
        }
    }
    std::string known;
    for (const OutputKind& kind : kKinds) {
        known += (known.empty() ? "" : ", ") + std::string(kind.form);
    }
    return refused(endpoint, "the kinds of output are " + known);
}

}  // namespace pelora
