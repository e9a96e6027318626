#include "app/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <limits>
#include <set>

#include "config/endpoint.h"
#include "nmea/receiver_profile.h"
#include "scenario/calendar.h"
#include "nmea/position_entry.h"
#include "nmea/position_format.h"
#include "nmea/sentence_table.h"
#include "outputs/output_checks.h"
#include "outputs/output_factory.h"
#include "run/port_manager.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

using Limits = OptionLimits;

// Qt's own options that take a value, and those that take none: they are Qt's to read.
const std::set<QString> kQtOptionsWithValue = {
    QStringLiteral("platform"),   QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),     QStringLiteral("qwindowgeometry"),    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"), QStringLiteral("display"),          QStringLiteral("geometry"),
    QStringLiteral("style"),      QStringLiteral("stylesheet"),         QStringLiteral("session"),
    QStringLiteral("qmljsdebugger")};
const std::set<QString> kQtOptionsWithoutValue = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                                  QStringLiteral("nograb"), QStringLiteral("dograb")};

// The option's name without its dashes and any "=value"; empty for an argument that is no option.
QString optionName(const QString& argument) {
    if (!argument.startsWith(QLatin1Char('-')) || argument == QStringLiteral("-") ||
        argument == QStringLiteral("--")) {
        return {};
    }
    QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    return name.left(name.indexOf(QLatin1Char('=')));
}

bool isQtOption(const QString& argument, bool& takesValue) {
    const QString name = optionName(argument);
    takesValue = kQtOptionsWithValue.count(name) != 0 && !argument.contains(QLatin1Char('='));
    return kQtOptionsWithValue.count(name) != 0 || kQtOptionsWithoutValue.count(name) != 0;
}

std::string quoted(const QString& value) {
    return "\"" + value.toStdString() + "\"";
}

// A number from `lowest` to `highest` (each end allowed or not): the reason it is not, or "".
std::string readNumber(const QString& value, double lowest, bool lowestAllowed, double highest, bool highestAllowed,
                       double& out) {
    const std::optional<double> read = strictNumberFromText(value.toStdString());
    if (!read || !std::isfinite(*read)) {
        return quoted(value) + " is not a number";
    }
    const bool low = lowestAllowed ? *read < lowest : *read <= lowest;
    const bool high = highestAllowed ? *read > highest : *read >= highest;
    if (low || high) {
        return quoted(value) + " must be " + (lowestAllowed ? "from " : "more than ") + shortestNumberText(lowest) +
               (highestAllowed ? " to " : " to below ") + shortestNumberText(highest);
    }
    out = *read;
    return {};
}

// The number kept as the text typed, for a control that reads it as typed.
std::string readControlNumber(const QString& value, double lowest, double highest, bool highestAllowed,
                              std::optional<std::string>& out) {
    double number = 0;
    std::string problem = readNumber(value, lowest, true, highest, highestAllowed, number);
    if (problem.empty()) out = value.trimmed().toStdString();
    return problem;
}

template <typename Whole>
std::string readWhole(const QString& value, Whole lowest, Whole highest, Whole& out) {
    const std::string text = value.toStdString();
    Whole read{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || read < lowest || read > highest) {
        return quoted(value) + " must be a whole number from " + std::to_string(lowest) + " to " +
               std::to_string(highest);
    }
    out = read;
    return {};
}

// "[ADDRESS:]PORT" for the TCP server, "ADDRESS:PORT" for UDP.
std::string readHostPort(const QString& value, bool addressRequired, std::optional<std::string>& address,
                         std::optional<int>& port) {
    const bool bare = !value.contains(QLatin1Char(':'));
    if (bare && addressRequired) {
        return quoted(value) + " is not ADDRESS:PORT";
    }
    const Result<Endpoint> endpoint = parseEndpoint(std::string("tcp://") + (bare ? "127.0.0.1:" : "") + value.toStdString());
    if (!endpoint) {
        return endpoint.failure().reason;
    }
    if (!outputAddressFromText(endpoint->host)) {
        return quoted(QString::fromStdString(endpoint->host)) + " is not an IPv4 or IPv6 address";
    }
    if (Result<std::unique_ptr<Output>> made = OutputFactory().make(*endpoint); !made) {
        return made.failure().reason;
    }
    if (!bare) address = endpoint->host;
    port = endpoint->port;
    return {};
}

std::string absolutePath(const QString& value) {
    return QFileInfo(value).absoluteFilePath().toStdString();
}

// One option: its names, the name of its value (none for a switch), its line in the usage, and
// how its value is read into the command line (the reason it is refused, or "").
struct OptionRow {
    const char* names;      // "speed", or "h,help"
    const char* valueName;  // "KNOTS"; nullptr for a switch
    const char* usage;
    bool headlessOnly;
    std::string (*read)(CommandLine& line, const QString& value);
};

const OptionRow kOptions[] = {
    {"h,help", nullptr, "print this usage and exit", false,
     [](CommandLine& line, const QString&) {
         line.action = CommandLine::Action::Help;
         return std::string();
     }},
    {"version", nullptr, "print the program's name and version and exit", false,
     [](CommandLine& line, const QString&) {
         if (line.action != CommandLine::Action::Help) line.action = CommandLine::Action::Version;
         return std::string();
     }},
    {"run", nullptr, "press Run once the window is ready", false,
     [](CommandLine& line, const QString&) {
         line.run = true;
         return std::string();
     }},
    {"headless", nullptr, "run without a window or display until SIGTERM or SIGINT, --count or --duration", false,
     [](CommandLine& line, const QString&) {
         line.action = CommandLine::Action::Headless;
         return std::string();
     }},
    {"defaults", nullptr, "headless: start from the defaults, reading no stored control value or output choice", true,
     [](CommandLine& line, const QString&) {
         line.defaults = true;
         return std::string();
     }},
    {"count", "N", "headless: end after N fixes (ticks) have gone out: a burst counts once, not per line", true,
     [](CommandLine& line, const QString& value) {
         std::uint64_t count = 0;
         std::string problem = readWhole<std::uint64_t>(value, 1, std::numeric_limits<std::int64_t>::max(), count);
         if (problem.empty()) line.count = count;
         return problem;
     }},
    {"duration", "SECONDS", "headless: end after SECONDS (more than 0, at most a year: 31536000)", true,
     [](CommandLine& line, const QString& value) {
         double seconds = 0;
         std::string problem = readNumber(value, 0, false, Limits::kMaxDurationSeconds, true, seconds);
         if (problem.empty()) line.durationSeconds = seconds;
         return problem;
     }},
    {"quiet", nullptr, "headless: no start line on stderr", true,
     [](CommandLine& line, const QString&) {
         line.quiet = true;
         return std::string();
     }},
    {"output", "ENDPOINT",
     "send to ENDPOINT too (any number of times): serial:/dev/DEVICE?baud=RATE, tcp://ADDRESS:PORT, "
     "tcp-client://HOST:PORT, udp://ADDRESS:PORT, pty:/LINK, file:PATH, or - for standard output",
     false,
     [](CommandLine& line, const QString& value) {
         Result<Endpoint> endpoint = parseEndpoint(value.toStdString());
         if (!endpoint) return endpoint.failure().reason;
         if (endpoint->scheme == "file" && !endpoint->path.empty()) {
             endpoint->path = absolutePath(QString::fromStdString(endpoint->path));
         }
         if (Result<std::unique_ptr<Output>> made = OutputFactory().make(*endpoint); !made) {
             return made.failure().reason;
         }
         line.outputs.push_back(endpoint->text());
         return std::string();
     }},
    {"tcp", "[ADDRESS:]PORT", "serve the sentences to TCP clients (address 127.0.0.1 unless given)", false,
     [](CommandLine& line, const QString& value) {
         return readHostPort(value, false, line.tcpAddress, line.tcpPort);
     }},
    {"udp", "ADDRESS:PORT", "send each sentence as one UDP datagram", false,
     [](CommandLine& line, const QString& value) {
         return readHostPort(value, true, line.udpAddress, line.udpPort);
     }},
    {"pty", nullptr, "create the virtual serial port at its stored or default link", false,
     [](CommandLine& line, const QString&) {
         line.pty = true;
         return std::string();
     }},
    {"pty-link", "LINK", "create the virtual serial port at LINK, an absolute path (implies --pty)", false,
     [](CommandLine& line, const QString& value) {
         if (!value.startsWith(QLatin1Char('/')) || value.endsWith(QLatin1Char('/'))) {
             return quoted(value) + " is not an absolute path ending in a name";
         }
         line.ptyLink = value.toStdString();
         line.pty = true;
         return std::string();
     }},
    {"port", "N", "serial port COM N (1 to 16) through the device map", false,
     [](CommandLine& line, const QString& value) {
         int port = 0;
         std::string problem = readWhole<int>(value, 1, PortManager::kPortCount, port);
         if (problem.empty()) line.controls.port = port;
         return problem;
     }},
    {"device", "PATH", "serial device to open instead of a COM port (it stands in for COM 1)", false,
     [](CommandLine& line, const QString& value) {
         if (value.isEmpty()) return std::string("needs a device path");
         line.device = value.toStdString();
         return std::string();
     }},
    {"baud", "RATE", "1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200", false,
     [](CommandLine& line, const QString& value) {
         const auto& captions = PortManager::baudCaptions();
         for (std::size_t index = 0; index < captions.size(); ++index) {
             if (value.toStdString() == captions[index]) {
                 line.baudIndex = static_cast<int>(index);
                 return std::string();
             }
         }
         return quoted(value) + " is not 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
     }},
    {"sentence", "GLL|GGA|RMC", "the sentence type", false,
     [](CommandLine& line, const QString& value) {
         const std::string name = value.toUpper().toStdString();
         for (const std::string& known : singleSentenceNames()) {
             if (known == name) {
                 line.controls.sentence = name;
                 return std::string();
             }
         }
         return quoted(value) + " is not GLL, GGA or RMC";
     }},
    {"checksum", nullptr, "append the checksum (RMC always has one)", false,
     [](CommandLine& line, const QString&) {
         line.controls.checksum = true;
         return std::string();
     }},
    {"decimals", "N", "decimal places of the minutes, 0 to 15", false,
     [](CommandLine& line, const QString& value) {
         int places = 0;
         std::string problem = readWhole<int>(value, 0, kMaxDecimalPlaces, places);
         if (problem.empty()) line.controls.decimalPlaces = std::to_string(places);
         return problem;
     }},
    {"no-leading-zeros", nullptr, "leave out the leading zeros of the position fields", false,
     [](CommandLine& line, const QString&) {
         line.controls.noLeadingZeros = true;
         return std::string();
     }},
    {"utc", nullptr, "time and date fields in UTC instead of local time", false,
     [](CommandLine& line, const QString&) {
         line.utc = true;
         return std::string();
     }},
    {"lat", "LATITUDE", "start latitude: signed decimal degrees (-33.9) or as the window takes it (54N00.0000)",
     false,
     [](CommandLine& line, const QString& value) {
         line.controls.latitude = exactPositionText(value.toStdString(), true);
         return line.controls.latitude ? std::string()
                                       : quoted(value) + " is not a latitude such as -33.9, 54.5N or 54N30.0000";
     }},
    {"lon", "LONGITUDE", "start longitude: signed decimal degrees (-3.25) or as the window takes it (0001E00.0000)",
     false,
     [](CommandLine& line, const QString& value) {
         line.controls.longitude = exactPositionText(value.toStdString(), false);
         return line.controls.longitude ? std::string()
                                        : quoted(value) + " is not a longitude such as -3.25, 3.25W or 0001E00.0000";
     }},
    {"speed", "KNOTS", "demanded speed, 0 to 100", false,
     [](CommandLine& line, const QString& value) {
         return readControlNumber(value, 0, Limits::kMaxSpeedKnots, true, line.controls.speed);
     }},
    {"course", "DEGREES", "steer by autopilot on this course, 0 to below 360", false,
     [](CommandLine& line, const QString& value) {
         return readControlNumber(value, 0, 360, false, line.controls.course);
     }},
    {"rate", "DEG_PER_S", "steer at this rate of turn, -90 to 90 (not with --course)", false,
     [](CommandLine& line, const QString& value) {
         return readControlNumber(value, -Limits::kMaxRateDegreesPerSecond, Limits::kMaxRateDegreesPerSecond, true,
                                  line.controls.rate);
     }},
    {"response", "SECONDS", "ship response on, with this time constant, 0 to 3600", false,
     [](CommandLine& line, const QString& value) {
         return readControlNumber(value, 0, Limits::kMaxResponseSeconds, true, line.controls.responseSeconds);
     }},
    {"sea", "METRES", "sea state on, with this largest displacement per second, 0 to 100", false,
     [](CommandLine& line, const QString& value) {
         return readControlNumber(value, 0, Limits::kMaxSeaMetres, true, line.controls.seaMetres);
     }},
    {"noise", "METRES", "GPS noise on, with this largest offset, 0 to 1000", false,
     [](CommandLine& line, const QString& value) {
         return readControlNumber(value, 0, Limits::kMaxNoiseMetres, true, line.controls.noiseMetres);
     }},
    {"seed", "N", "start state of the random source (same options and seed: same positions)", false,
     [](CommandLine& line, const QString& value) {
         std::uint64_t seed = 0;
         std::string problem = readWhole<std::uint64_t>(value, 0, std::numeric_limits<std::uint64_t>::max(), seed);
         if (problem.empty()) line.seed = seed;
         return problem;
     }},
    {"record", "FILE", "append every sentence sent to FILE (the same as --output file:FILE)", false,
     [](CommandLine& line, const QString& value) {
         if (value.isEmpty()) return std::string("needs a file name");
         line.outputs.push_back("file:" + absolutePath(value));
         return std::string();
     }},
    {"play", "FILE", "play a voyage or NMEA log fix to fix, then end (headless) unless --loop", false,
     [](CommandLine& line, const QString& value) {
         if (value.isEmpty()) return std::string("needs a file name");
         line.playFile = absolutePath(value);
         return std::string();
     }},
    {"loop", nullptr, "headless: play FILE again from its start after its end", true,
     [](CommandLine& line, const QString&) {
         line.loop = true;
         return std::string();
     }},
    {"pace", "fix|log", "headless: one line a second (fix), or the lines sharing a time field together (log)", true,
     [](CommandLine& line, const QString& value) {
         if (value != QStringLiteral("fix") && value != QStringLiteral("log")) return quoted(value) + " is not fix or log";
         line.paceLog = value == QStringLiteral("log");
         return std::string();
     }},
    {"profile", "NAME",
     "receiver profile: \"Single sentence\" (single), \"Marine GPS (NMEA 2.3)\" (marine), "
     "\"Multi-GNSS (NMEA 4.10)\" (multi-gnss) or Custom (custom)",
     false,
     [](CommandLine& line, const QString& value) {
         static const std::pair<const char*, const char*> kShortNames[] = {
             {"single", "Single sentence"}, {"marine", "Marine GPS (NMEA 2.3)"},
             {"multi-gnss", "Multi-GNSS (NMEA 4.10)"}, {"custom", "Custom"}};
         for (const auto& [shortName, name] : kShortNames) {
             if (value.compare(QString::fromLatin1(shortName), Qt::CaseInsensitive) == 0 ||
                 value.compare(QString::fromLatin1(name), Qt::CaseInsensitive) == 0) {
                 line.profile = name;
                 return std::string();
             }
         }
         return quoted(value) + " is not single, marine, multi-gnss or custom";
     }},
    {"sentences", "LIST", "the sentence types of each second, in order, e.g. RMC,GGA,GSA,GSV (the Custom profile)",
     false,
     [](CommandLine& line, const QString& value) {
         std::string reason;
         line.sentences = sentencesFromText(value.toStdString(), reason);
         return reason;
     }},
    {"talker", "ID", "talker of the fix sentences: GP, GN, GL, GA or GB", false,
     [](CommandLine& line, const QString& value) {
         const std::string id = value.toUpper().toStdString();
         for (const std::string_view known : talkerIds()) {
             if (known == id) {
                 line.talker = id;
                 return std::string();
             }
         }
         return quoted(value) + " is not GP, GN, GL, GA or GB";
     }},
    {"nmea-version", "V", "NMEA version of the sentences: 2.3, 4.10 or 4.11", false,
     [](CommandLine& line, const QString& value) {
         line.nmeaVersion = nmeaVersionFromText(value.toStdString());
         return line.nmeaVersion ? std::string() : quoted(value) + " is not 2.3, 4.10 or 4.11";
     }},
    {"systems", "LIST", "satellite systems tracked: GPS,GLONASS,Galileo,BeiDou (or GP,GL,GA,GB)", false,
     [](CommandLine& line, const QString& value) {
         std::string reason;
         line.systems = systemsFromText(value.toStdString(), reason);
         return reason;
     }},
    {"no-fix", nullptr, "the receiver has no fix (the sky stays in view)", false,
     [](CommandLine& line, const QString&) {
         line.noFix = true;
         return std::string();
     }},
    {"differential", nullptr, "a differential fix", false,
     [](CommandLine& line, const QString&) {
         line.differential = true;
         return std::string();
     }},
    {"altitude", "METRES", "the antenna above mean sea level, -500 to 10000", false,
     [](CommandLine& line, const QString& value) {
         double metres = 0;
         std::string problem = readNumber(value, kLowestAntennaMetres, true, kHighestAntennaMetres, true, metres);
         if (problem.empty()) line.altitudeMetres = metres;
         return problem;
     }},
    {"line", "TEXT", "a line of your own sent after each second's sentences (any number of times; one "
                     "ending in * gets its checksum)",
     false,
     [](CommandLine& line, const QString& value) {
         if (value.isEmpty() || value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'))) {
             return std::string("needs one line of text");
         }
         line.customLines.push_back(value.toStdString());
         return std::string();
     }},
    {"route", "FILE", "follow the route (or track) of a GPX file", false,
     [](CommandLine& line, const QString& value) {
         if (value.isEmpty()) return std::string("needs a file name");
         line.routeFile = absolutePath(value);
         return std::string();
     }},
    {"scenario", "FILE", "run a scenario file: its start, route and timeline of events and faults", false,
     [](CommandLine& line, const QString& value) {
         if (value.isEmpty()) return std::string("needs a file name");
         line.scenarioFile = absolutePath(value);
         return std::string();
     }},
    {"fault", "NAME[:EVERY]",
     "put a fault on the wire, on every EVERYth sentence (any number of times); e.g. bad-checksum:10",
     false,
     [](CommandLine& line, const QString& value) {
         const FaultOption fault = parseFaultOption(value.toStdString());
         if (!fault.setting) return fault.error;
         line.faults.push_back(*fault.setting);
         return std::string();
     }},
    {"start", "TIME", "simulated UTC start, e.g. 2026-06-01T08:00:00Z (time then moves a second a tick)", false,
     [](CommandLine& line, const QString& value) {
         line.startUtc = parseIsoUtc(value.toStdString());
         return line.startUtc ? std::string() : quoted(value) + " is not a UTC time such as 2026-06-01T08:00:00Z";
     }},
    {"record-gpx", "FILE", "write the voyage to FILE as a GPX 1.1 track at the end", false,
     [](CommandLine& line, const QString& value) {
         if (value.isEmpty()) return std::string("needs a file name");
         line.gpxFile = absolutePath(value);
         return std::string();
     }},
    {"ais-random", "N[:RADIUS_NM]", "N AIS targets (1 to 1000) placed at random within RADIUS_NM (default 10)",
     false,
     [](CommandLine& line, const QString& value) {
         const RandomTargetsParse parsed = parseRandomTargets(value.toStdString());
         if (!parsed.choice) return parsed.error;
         line.aisRandom = parsed.choice;
         return std::string();
     }},
    {"ais-own-ship", nullptr, "send the own ship's position as !AIVDO too", false,
     [](CommandLine& line, const QString&) {
         line.aisOwnShip = true;
         return std::string();
     }},
    {"fast", nullptr, "headless: no waiting between ticks (needs --count, --duration or a scenario with an end)",
     true,
     [](CommandLine& line, const QString&) {
         line.fast = true;
         return std::string();
     }},
    {"speedup", "X", "headless: run X times faster, 0.01 to 1000", true,
     [](CommandLine& line, const QString& value) {
         return readNumber(value, Limits::kMinSpeedup, true, Limits::kMaxSpeedup, true, line.speedup);
     }},
};

QStringList namesOf(const OptionRow& row) {
    return QString::fromLatin1(row.names).split(QLatin1Char(','));
}

// The name a message calls an option by: its long name.
QString longName(const OptionRow& row) {
    return namesOf(row).last();
}

}  // namespace

OutputSettings CommandLine::outputsOver(const OutputSettings& stored) const {
    OutputSettings settings = defaults ? OutputSettings{} : stored;
    if (tcpPort) {
        settings.tcp = true;
        settings.tcpPort = *tcpPort;
        settings.tcpAddress = tcpAddress.value_or(OutputSettings{}.tcpAddress);
    }
    if (udpPort) {
        settings.udp = true;
        settings.udpPort = *udpPort;
        settings.udpAddress = udpAddress.value_or(settings.udpAddress);
    }
    if (pty) {
        settings.pty = true;
    }
    if (ptyLink) {
        settings.ptyLink = *ptyLink;
    }
    if (utc) {
        settings.utc = true;
    }
    return settings;
}

ReceiverChoices CommandLine::receiverOver(const ReceiverChoices& stored) const {
    ReceiverChoices choices = defaults ? ReceiverChoices{} : stored;
    if (profile) choices.profile = *profile;
    if (sentences) {
        choices.sentences = *sentences;
        if (!profile) choices.profile = "Custom";
    }
    if (talker) choices.talker = *talker;
    if (nmeaVersion) choices.version = nmeaVersion;
    if (systems) choices.systems = *systems;
    if (noFix) choices.fixAvailable = false;
    if (differential) choices.differential = true;
    if (altitudeMetres) choices.antennaAltitudeMetres = *altitudeMetres;
    for (const std::string& custom : customLines) choices.customLines.push_back(custom);
    return choices;
}

ControlOverrides CommandLine::controlOverrides() const {
    ControlOverrides overrides = controls;
    if (device) {
        overrides.port = 1;  // the device stands in for COM 1 this run
    }
    return overrides;
}

QStringList qtArguments(const QStringList& arguments) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool takesValue = false;
        if (i == 0 || isQtOption(arguments[i], takesValue)) {
            kept << arguments[i];
            if (i > 0 && takesValue && i + 1 < arguments.size()) {
                kept << arguments[++i];
            }
        }
    }
    return kept;
}

QString versionText() {
    return QStringLiteral("pelora %1.%2.%3").arg(PELORA_VERSION_MAJOR).arg(PELORA_VERSION_MINOR).arg(PELORA_VERSION_PATCH);
}

QString usageText() {
    QString text = QStringLiteral(
        "Usage: pelora [OPTIONS]\n"
        "A GPS simulator for marine electronics: one simulated ship, NMEA 0183 sentences every second on\n"
        "a serial port, TCP, UDP, a virtual serial port, files or standard output. Options override the\n"
        "stored choices for this run only and are never saved.\n\nOptions:\n");
    for (const OptionRow& row : kOptions) {
        const QStringList names = namesOf(row);
        QString option = names.size() > 1 ? QStringLiteral("-%1, --%2").arg(names.first(), names.last())
                                          : QStringLiteral("--%1").arg(names.first());
        if (row.valueName != nullptr) option += QLatin1Char(' ') + QString::fromLatin1(row.valueName);
        text += QStringLiteral("  %1  %2\n").arg(option, -24).arg(QString::fromLatin1(row.usage));
    }
    text += QStringLiteral(
        "\nThe TCP server serves at most 256 clients at once.\n"
        "Exit status: 0 on success, 2 for a bad option or value, 1 when the program could not run or an\n"
        "output asked for by name failed.\n");
    return text;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    QStringList ours;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool takesValue = false;
        if (i > 0 && isQtOption(arguments[i], takesValue)) {
            i += takesValue ? 1 : 0;  // Qt's to read
            continue;
        }
        ours << arguments[i];
    }
    if (ours.isEmpty()) ours << QStringLiteral("pelora");

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRow& row : kOptions) {
        QCommandLineOption option(namesOf(row));
        if (row.valueName != nullptr) option.setValueName(QString::fromLatin1(row.valueName));
        parser.addOption(option);
    }
    const auto refuse = [&line](std::string reason) {
        line.action = CommandLine::Action::Error;
        line.error = std::move(reason);
        return line;
    };
    if (!parser.parse(ours)) {
        return refuse(parser.errorText().toStdString());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return refuse("\"" + parser.positionalArguments().first().toStdString() +
                      "\" is not an option; options start with --");
    }

    std::set<QString> given;
    for (const OptionRow& row : kOptions) {
        const QString name = longName(row);
        if (!parser.isSet(name)) continue;
        given.insert(name);
        const QStringList values = row.valueName != nullptr ? parser.values(name) : QStringList{QString()};
        for (const QString& value : values) {
            if (const std::string problem = row.read(line, value); !problem.empty()) {
                return refuse("--" + name.toStdString() + ": " + problem);
            }
        }
    }
    if (line.action == CommandLine::Action::Help || line.action == CommandLine::Action::Version) {
        return line;
    }
    const bool headless = line.action == CommandLine::Action::Headless;
    if (given.count(QStringLiteral("course")) != 0 && given.count(QStringLiteral("rate")) != 0) {
        return refuse("--course and --rate cannot be used together: choose autopilot or a rate of turn");
    }
    if (given.count(QStringLiteral("port")) != 0 && given.count(QStringLiteral("device")) != 0) {
        return refuse("--port and --device cannot be used together");
    }
    if (!headless) {
        for (const OptionRow& row : kOptions) {
            if (row.headlessOnly && given.count(longName(row)) != 0) {
                return refuse("--" + longName(row).toStdString() + " needs --headless");
            }
        }
    } else if ((line.loop || line.paceLog) && !line.playFile) {
        return refuse(line.loop ? "--loop needs --play FILE" : "--pace log needs --play FILE");
    } else if (line.fast && !line.count && !line.durationSeconds && !line.scenarioFile && !(line.playFile && !line.loop)) {
        return refuse("--fast needs an end: --count, --duration, a scenario or a file to play");
    }
    if (line.scenarioFile && line.routeFile) {
        return refuse("--route and --scenario cannot be used together: put the route in the scenario");
    }
    if (line.fast && line.speedup != 1.0) {
        return refuse("--fast and --speedup cannot be used together");
    }
    return line;
}

}  // namespace pelora
