#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QStringList>

#include "ais/random_targets.h"
#include "config/output_settings.h"
#include "config/receiver_settings.h"
#include "run/control_overrides.h"
#include "scenario/wire_faults.h"
#include "sim/date_time.h"

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

    // The receiver.
    std::optional<std::string> profile;                   // --profile NAME
    std::optional<std::vector<std::string>> sentences;    // --sentences LIST (the Custom profile)
    std::optional<std::string> talker;                    // --talker ID
    std::optional<NmeaVersion> nmeaVersion;               // --nmea-version V
    std::optional<std::vector<GnssSystem>> systems;       // --systems LIST
    bool noFix = false;                                   // --no-fix
    bool differential = false;                            // --differential
    std::optional<double> altitudeMetres;                 // --altitude METRES
    std::vector<std::string> customLines;                 // --line TEXT

    // Routes, scenarios, faults, time, tracks and targets.
    std::optional<std::string> routeFile;                 // --route FILE (absolute)
    std::optional<std::string> scenarioFile;              // --scenario FILE (absolute)
    std::vector<FaultSetting> faults;                     // --fault NAME[:EVERY]
    std::optional<DateTime> startUtc;                     // --start TIME
    std::optional<std::string> gpxFile;                   // --record-gpx FILE (absolute)
    std::optional<RandomTargetsChoice> aisRandom;         // --ais-random N[:RADIUS_NM]
    bool aisOwnShip = false;                              // --ais-own-ship

    // Headless only.
    bool fast = false;                      // --fast: no waiting between ticks
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
    // The stored receiver choices with this command line's on top (the defaults instead of the
    // stored ones with --defaults).
    ReceiverChoices receiverOver(const ReceiverChoices& stored) const;
    // Whether time comes from a simulated clock: a scenario, a start time, a pace other than
    // real time.
    bool simulatedTime() const { return scenarioFile || startUtc || fast || speedup != 1.0; }
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
