#include "outputs/output_checks.h"

#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "outputs/output_factory.h"
#include "platform/owned_link.h"
#include "text/text.h"

namespace pelora {

namespace {

constexpr int kIpv4Dots = 3;
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

void checkAddress(const std::string& text, const char* what, std::vector<std::string>& problems) {
    if (!outputAddressFromText(text)) {
        problems.push_back(std::string("The ") + what + " address \"" + text +
                           "\" is not an IP address such as 127.0.0.1 or 0.0.0.0.");
    }
}

void checkPort(int port, const char* what, std::vector<std::string>& problems) {
    if (!isPortNumber(port)) {
        problems.push_back(std::string("The ") + what + " port must be a whole number from 1 to 65535.");
    }
}

// Why a link cannot be placed at `link`, or "" when it can.
std::string linkProblem(const std::string& link) {
    if (link.size() < 2 || link.front() != '/' || link.back() == '/') {
        return "The virtual serial port's link \"" + link + "\" is not an absolute path ending in a name.";
    }
    if (const std::string system = systemFolderOf(link); !system.empty()) {
        return "The virtual serial port's link " + link + " is in the system folder " + system +
               ", where Pelora makes no links.";
    }
    struct stat info {};
    if (::lstat(link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        return "The virtual serial port's link " + link + " is an existing file, not a link.";
    }
    if (::lstat(link.c_str(), &info) == 0 && !isOwnLink(link)) {
        return "The virtual serial port's link " + link + " is an existing link that Pelora did not make.";
    }
    // The nearest folder that exists must let this user make what is missing below it.
    std::string folder = folderOf(link);
    while (folder != "/" && ::stat(folder.c_str(), &info) != 0) {
        folder = folderOf(folder);
    }
    if (folder == "/" && ::stat(folder.c_str(), &info) != 0) {
        return "The virtual serial port's link cannot be made in /.";
    }
    if (!S_ISDIR(info.st_mode)) {
        return "The virtual serial port's link cannot be made in " + folder + ": it is not a folder.";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "The virtual serial port's link cannot be made in " + folder + ": this user may not write there.";
    }
    return {};
}

}  // namespace

std::optional<QHostAddress> outputAddressFromText(const std::string& text) {
    const std::string_view trimmed = trim(text);
    // QHostAddress also takes the short IPv4 forms, where "192.168.1" means 192.168.0.1.
    if (trimmed.find(':') == std::string_view::npos &&
        std::count(trimmed.begin(), trimmed.end(), '.') != kIpv4Dots) {
        return std::nullopt;
    }
    QHostAddress address;
    if (!address.setAddress(QString::fromUtf8(trimmed.data(), static_cast<qsizetype>(trimmed.size())))) {
        return std::nullopt;
    }
    return address;
}

bool isPortNumber(int port) {
    return port >= kLowestPort && port <= kHighestPort;
}

std::string endpointText(const std::string& address, int port) {
    return hostPortText(std::string(trim(address)), port);
}

std::string endpointProblem(const std::string& text) {
    const Result<Endpoint> endpoint = parseEndpoint(text);
    if (!endpoint) {
        return endpoint.failure().message();
    }
    if (const auto made = OutputFactory().make(*endpoint); !made) {
        return made.failure().message();
    }
    if (text.find(',') != std::string::npos) {
        return Failure{"\"" + std::string(trim(text)) + "\" cannot be kept",
                       "a comma separates the outputs in the settings file", 0}
            .message();
    }
    return {};
}

std::vector<std::string> outputSettingsProblems(const OutputSettings& settings) {
    std::vector<std::string> problems;
    checkAddress(settings.tcpAddress, "TCP server", problems);
    checkPort(settings.tcpPort, "TCP server", problems);
    checkAddress(settings.udpAddress, "UDP", problems);
    checkPort(settings.udpPort, "UDP", problems);
    if (!settings.ptyLink.empty()) {
        if (std::string problem = linkProblem(settings.ptyLink); !problem.empty()) {
            problems.push_back(std::move(problem));
        }
    }
    for (const std::string& text : settings.endpoints) {
        if (std::string problem = endpointProblem(text); !problem.empty()) {
            problems.push_back(std::move(problem));
        }
    }
    return problems;
}

}  // namespace pelora
