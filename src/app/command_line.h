#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QStringList>

#include "nmea/output.h"
#include "run/start_options.h"

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
    bool utc = false;                       // --utc
    bool run = false;                       // --run: press Run once the window is ready

    ControlOverrides controls;              // --sentence ... --port
    std::optional<std::uint64_t> seed;      // --seed
    std::optional<std::string> device;      // --device PATH
    std::optional<int> baudIndex;           // --baud: index in the BaudRate menu, 0..4
    std::optional<std::string> recordFile;  // --record FILE
    std::optional<std::string> playFile;    // --play FILE

    // Headless only.
    std::optional<std::uint64_t> count;     // --count N
    std::optional<double> durationSeconds;  // --duration SECONDS
    bool loop = false;                      // --loop
    bool paceLog = false;                   // --pace log (fix is the default)
    double speedup = 1.0;                   // --speedup X
    bool quiet = false;                     // --quiet

    // The stored output choices with this command line's on top.
    OutputSettings outputsOver(const OutputSettings& stored) const;
};

// Reads the program's arguments (the first is the program itself). Qt's own options
// (-platform, -display, -style and the like) are left to Qt; other arguments that are not
// options are ignored. A bad option or value gives Action::Error with the reason.
CommandLine parseCommandLine(const QStringList& arguments);

// The usage text that --help prints: every option with a line on what it does.
QString usageText();

// "pelora 1.1.12".
QString versionText();

// The arguments Qt itself reads, out of `arguments` (kept in order, the program first).
QStringList qtArguments(const QStringList& arguments);

}  // namespace pelora
