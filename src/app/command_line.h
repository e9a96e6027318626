#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QStringList>

#include "config/output_settings.h"
#include "run/control_overrides.h"

namespace pelora {

// What the command line asks for. Every option overrides a stored choice for this run only;
// none is ever saved.
struct CommandLine {
    enum class Action { Window, Headless, Help, Version, Error };

    Action action = Action::Window;
    std::string error;  // for Action::Error: why the command line was refused

    // Outputs besides the serial port.
    std::optional<std::string> tcpAddress;  // --tcp [ADDRESS:]PORT
    std::optional<int> tcpPort;
    std::optional<std::string> udpAddress;  // --udp ADDRESS:PORT
    std::optional<int> udpPort;
    bool pty = false;                       // --pty, or implied by --pty-link
    std::optional<std::string> ptyLink;     // --pty-link LINK
    std::vector<std::string> outputs;       // --output ENDPOINT and --record FILE, in order
    bool utc = false;                       // --utc
    bool run = false;                       // --run: press Run once the window is ready
    bool defaults = false;                  // --defaults: no stored choice is read

    ControlOverrides controls;              // --sentence ... --port
    std::optional<std::uint64_t> seed;      // --seed
    std::optional<std::string> device;      // --device PATH
    std::optional<int> baudIndex;           // --baud: index in the BaudRate menu
    std::optional<std::string> playFile;    // --play FILE (absolute)

    // Headless only.
    std::optional<std::uint64_t> count;     // --count N
    std::optional<double> durationSeconds;  // --duration SECONDS
    bool loop = false;                      // --loop
    bool paceLog = false;                   // --pace log (fix is the default)
    double speedup = 1.0;                   // --speedup X
    bool quiet = false;                     // --quiet

    // The stored output choices with this command line's on top (the defaults instead of the
    // stored ones with --defaults).
    OutputSettings outputsOver(const OutputSettings& stored) const;
    // The control values to put in: the options', and COM 1 selected when a device stands in
    // for it.
    ControlOverrides controlOverrides() const;
};

// The lowest and highest values the command line accepts, for the usage text and the tests.
struct OptionLimits {
    static constexpr double kMaxSpeedKnots = 100;
    static constexpr double kMaxRateDegreesPerSecond = 90;
    static constexpr double kMaxResponseSeconds = 3600;
    static constexpr double kMaxSeaMetres = 100;
    static constexpr double kMaxNoiseMetres = 1000;
    static constexpr double kMinSpeedup = 0.01;
    static constexpr double kMaxSpeedup = 1000;
    static constexpr double kMaxDurationSeconds = 365.0 * 24 * 3600;
};

// Reads the program's arguments (the first is the program itself), Qt's own options
// (-platform, -display, -style and the like) left out first. A bad option or value, or an
// argument that is no option, gives Action::Error with the reason.
CommandLine parseCommandLine(const QStringList& arguments);

// The usage text that --help prints: every option with a line on what it does.
QString usageText();

// "pelora 1.1.12".
QString versionText();

// The arguments Qt itself reads, out of `arguments` (kept in order, the program first).
QStringList qtArguments(const QStringList& arguments);

}  // namespace pelora
