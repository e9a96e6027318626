#include "app/command_line.h"

#include <cmath>
#include <set>


#include "config/output_settings.h"
#include "nmea/position_format.h"
#include "run/port_manager.h"
#include "outputs/output_checks.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = PortManager::kPortCount;
constexpr double kMaxSpeedup = 1000.0;
constexpr double kMaxDurationSeconds = 365.0 * 24 * 3600;

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

struct Usage {
    const char* option;
    const char* meaning;
};

const Usage kUsage[] = {
    {"-h, --help", "print this usage and exit"},
    {"--version", "print the program's name and version and exit"},
    {"--run", "press Run once the window is ready"},
    {"--headless", "run without a window or display until SIGTERM or SIGINT, --count or --duration"},
    {"--count N", "headless: end after N sentences have gone out"},
    {"--duration SECONDS", "headless: end after SECONDS"},
    {"--quiet", "headless: no start line on stderr"},
    {"--tcp [ADDRESS:]PORT", "serve the sentences to TCP clients (address 127.0.0.1 unless given)"},
    {"--udp ADDRESS:PORT", "send each sentence as one UDP datagram"},
    {"--pty", "create the virtual serial port at its stored or default link"},
    {"--pty-link LINK", "create the virtual serial port at LINK (implies --pty)"},
    {"--port N", "serial port COM N (1 to 16) through the device map"},
    {"--device PATH", "serial device to open instead of a COM port"},
    {"--baud RATE", "1200, 2400, 4800, 9600 or 19200"},
    {"--sentence GLL|GGA|RMC", "sentence type"},
    {"--checksum", "append the checksum (RMC always has one)"},
    {"--decimals N", "decimal places of the minutes, 0 to 15"},
    {"--no-leading-zeros", "leave out the leading zeros of the position fields"},
    {"--utc", "time and date fields in UTC instead of local time"},
    {"--lat TEXT", "start latitude as typed in the window, e.g. 54N00.0000"},
    {"--lon TEXT", "start longitude as typed in the window, e.g. 0001E00.0000"},
    {"--speed KNOTS", "demanded speed"},
    {"--course DEGREES", "steer by autopilot on this course"},
    {"--rate DEG_PER_S", "steer at this rate of turn (not with --course)"},
    {"--response SECONDS", "ship response on, with this time constant"},
    {"--sea METRES", "sea state on, with this largest displacement per second"},
    {"--noise METRES", "GPS noise on, with this largest offset"},
    {"--seed N", "start state of the random source (same options and seed: same positions)"},
    {"--record FILE", "append every sentence sent to FILE (voyage file format)"},
    {"--play FILE", "play a voyage or NMEA log fix to fix, then end (headless) unless --loop"},
    {"--loop", "headless: play FILE again from its start after its end"},
    {"--pace fix|log", "headless: one line a second (fix), or the lines sharing a time field together (log)"},
    {"--speedup X", "headless: play or run X times faster"},
};

// The options that take a value, by name.
const std::set<QString> kValueOptions = {
    QStringLiteral("count"),    QStringLiteral("duration"), QStringLiteral("tcp"),      QStringLiteral("udp"),
    QStringLiteral("pty-link"), QStringLiteral("port"),     QStringLiteral("device"),   QStringLiteral("baud"),
    QStringLiteral("sentence"), QStringLiteral("decimals"), QStringLiteral("lat"),      QStringLiteral("lon"),
    QStringLiteral("speed"),    QStringLiteral("course"),   QStringLiteral("rate"),     QStringLiteral("response"),
    QStringLiteral("sea"),      QStringLiteral("noise"),    QStringLiteral("seed"),     QStringLiteral("record"),
    QStringLiteral("play"),     QStringLiteral("pace"),     QStringLiteral("speedup")};
const std::set<QString> kSwitches = {
    QStringLiteral("h"),     QStringLiteral("help"),     QStringLiteral("version"),         QStringLiteral("run"),
    QStringLiteral("headless"), QStringLiteral("quiet"), QStringLiteral("pty"),             QStringLiteral("checksum"),
    QStringLiteral("no-leading-zeros"), QStringLiteral("utc"), QStringLiteral("loop")};

// Reads the checked pieces of one command line; the first refusal stops it.
class Reader {
public:
    explicit Reader(CommandLine& line) : m_line(line) {}

    bool failed() const { return !m_line.error.empty(); }

    void fail(const QString& option, const std::string& reason) {
        if (!failed()) {
            m_line.error = "--" + option.toStdString() + ": " + reason;
        }
    }

    std::optional<double> number(const QString& option, const QString& value, double lowest, bool lowestAllowed) {
        const std::optional<double> read = strictNumberFromText(value.toStdString());
        if (!read || !std::isfinite(*read)) {
            fail(option, "\"" + value.toStdString() + "\" is not a number");
            return std::nullopt;
        }
        if (*read < lowest || (!lowestAllowed && *read == lowest)) {
            fail(option, "\"" + value.toStdString() + "\" must be " + (lowestAllowed ? "at least " : "more than ") +
                             shortestNumberText(lowest));
            return std::nullopt;
        }
        return read;
    }

    std::optional<long long> whole(const QString& option, const QString& value, long long lowest, long long highest) {
        const std::optional<long long> read = wholeNumber(value.toStdString());
        if (!read || *read < lowest || *read > highest) {
            fail(option, "\"" + value.toStdString() + "\" must be a whole number from " + std::to_string(lowest) +
                             " to " + std::to_string(highest));
            return std::nullopt;
        }
        return read;
    }

    // "[ADDRESS:]PORT": an IPv4 address, an IPv6 address in brackets, or none (127.0.0.1).
    bool endpoint(const QString& option, const QString& value, bool addressRequired, std::optional<std::string>& address,
                  std::optional<int>& port) {
        QString host;
        QString portText = value;
        if (value.startsWith(QLatin1Char('['))) {
            const qsizetype close = value.indexOf(QStringLiteral("]:"));
            if (close < 0) {
                fail(option, "\"" + value.toStdString() + "\" is not [ADDRESS]:PORT");
                return false;
            }
            host = value.mid(1, close - 1);
            portText = value.mid(close + 2);
        } else if (const qsizetype colon = value.lastIndexOf(QLatin1Char(':')); colon >= 0) {
            host = value.left(colon);
            portText = value.mid(colon + 1);
        }
        if (host.isEmpty() && addressRequired) {
            fail(option, "\"" + value.toStdString() + "\" is not ADDRESS:PORT");
            return false;
        }
        if (!host.isEmpty() && !outputAddressFromText(host.toStdString())) {
            fail(option, "\"" + host.toStdString() + "\" is not an IPv4 or IPv6 address");
            return false;
        }
        const std::optional<int> number = portNumberFromText(portText.toStdString());
        if (!number) {
            fail(option, "\"" + portText.toStdString() + "\" is not a port number from 1 to 65535");
            return false;
        }
        if (!host.isEmpty()) {
            address = host.toStdString();
        }
        port = *number;
        return true;
    }

private:
    CommandLine& m_line;
};

}  // namespace

OutputSettings CommandLine::outputsOver(const OutputSettings& stored) const {
    OutputSettings settings = stored;
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
        "A GPS simulator for marine electronics: one simulated ship, one NMEA 0183 sentence a\n"
        "second on a serial port, a TCP server, UDP and a virtual serial port. Options override the\n"
        "stored choices for this run only and are never saved.\n\nOptions:\n");
    for (const Usage& usage : kUsage) {
        text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(usage.option), -24).arg(QString::fromLatin1(usage.meaning));
    }
    text += QStringLiteral("\nExit status: 0 on success, 2 for a bad option or value, 1 when the program could not run.\n");
    return text;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    Reader reader(line);
    std::set<QString> seen;
    bool headless = false;

    for (qsizetype i = 1; i < arguments.size() && !reader.failed(); ++i) {
        const QString& argument = arguments[i];
        bool qtTakesValue = false;
        if (isQtOption(argument, qtTakesValue)) {
            i += qtTakesValue ? 1 : 0;
            continue;
        }
        const QString name = optionName(argument);
        if (name.isEmpty()) {
            continue;  // not an option: ignored, as it always was
        }
        const bool isSwitch = kSwitches.count(name) != 0;
        if (!isSwitch && kValueOptions.count(name) == 0) {
            line.error = "unknown option " + argument.toStdString();
            break;
        }
        QString value;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (isSwitch) {
            if (equals >= 0) {
                reader.fail(name, "takes no value");
                break;
            }
        } else if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            reader.fail(name, "needs a value");
            break;
        }
        seen.insert(name);

        if (name == QStringLiteral("h") || name == QStringLiteral("help")) {
            line.action = CommandLine::Action::Help;
        } else if (name == QStringLiteral("version")) {
            if (line.action != CommandLine::Action::Help) line.action = CommandLine::Action::Version;
        } else if (name == QStringLiteral("run")) {
            line.run = true;
        } else if (name == QStringLiteral("headless")) {
            headless = true;
        } else if (name == QStringLiteral("quiet")) {
            line.quiet = true;
        } else if (name == QStringLiteral("pty")) {
            line.pty = true;
        } else if (name == QStringLiteral("checksum")) {
            line.controls.checksum = true;
        } else if (name == QStringLiteral("no-leading-zeros")) {
            line.controls.noLeadingZeros = true;
        } else if (name == QStringLiteral("utc")) {
            line.utc = true;
        } else if (name == QStringLiteral("loop")) {
            line.loop = true;
        } else if (name == QStringLiteral("count")) {
            if (const auto n = reader.whole(name, value, 1, std::numeric_limits<long long>::max())) {
                line.count = static_cast<std::uint64_t>(*n);
            }
        } else if (name == QStringLiteral("duration")) {
            line.durationSeconds = reader.number(name, value, 0.0, false);
            if (line.durationSeconds && *line.durationSeconds > kMaxDurationSeconds) {
                reader.fail(name, "must be at most a year (31536000 seconds)");
            }
        } else if (name == QStringLiteral("tcp")) {
            reader.endpoint(name, value, false, line.tcpAddress, line.tcpPort);
        } else if (name == QStringLiteral("udp")) {
            reader.endpoint(name, value, true, line.udpAddress, line.udpPort);
        } else if (name == QStringLiteral("pty-link")) {
            if (!value.startsWith(QLatin1Char('/'))) {
                reader.fail(name, "\"" + value.toStdString() + "\" is not an absolute path");
            }
            line.ptyLink = value.toStdString();
            line.pty = true;
        } else if (name == QStringLiteral("port")) {
            if (const auto n = reader.whole(name, value, kFirstPort, kLastPort)) {
                line.controls.port = static_cast<int>(*n);
            }
        } else if (name == QStringLiteral("device")) {
            if (value.isEmpty()) reader.fail(name, "needs a device path");
            line.device = value.toStdString();
        } else if (name == QStringLiteral("baud")) {
            const auto& captions = PortManager::baudCaptions();
            for (std::size_t index = 0; index < captions.size(); ++index) {
                if (value.toStdString() == captions[index]) line.baudIndex = static_cast<int>(index);
            }
            if (!line.baudIndex) reader.fail(name, "\"" + value.toStdString() + "\" is not 1200, 2400, 4800, 9600 or 19200");
        } else if (name == QStringLiteral("sentence")) {
            const QString type = value.toUpper();
            const QStringList types = {QStringLiteral("GLL"), QStringLiteral("GGA"), QStringLiteral("RMC")};
            if (!types.contains(type)) {
                reader.fail(name, "\"" + value.toStdString() + "\" is not GLL, GGA or RMC");
            }
            line.controls.sentenceType = static_cast<int>(types.indexOf(type));
        } else if (name == QStringLiteral("decimals")) {
            if (const auto n = reader.whole(name, value, 0, kMaxDecimalPlaces)) {
                line.controls.decimalPlaces = std::to_string(*n);
            }
        } else if (name == QStringLiteral("lat") || name == QStringLiteral("lon")) {
            if (value.trimmed().isEmpty()) reader.fail(name, "needs a position");
            (name == QStringLiteral("lat") ? line.controls.latitude : line.controls.longitude) = value.toStdString();
        } else if (name == QStringLiteral("speed")) {
            if (reader.number(name, value, 0.0, true)) line.controls.speed = value.trimmed().toStdString();
        } else if (name == QStringLiteral("course")) {
            if (reader.number(name, value, -std::numeric_limits<double>::max(), true)) {
                line.controls.course = value.trimmed().toStdString();
            }
        } else if (name == QStringLiteral("rate")) {
            if (reader.number(name, value, -std::numeric_limits<double>::max(), true)) {
                line.controls.rate = value.trimmed().toStdString();
            }
        } else if (name == QStringLiteral("response")) {
            if (reader.number(name, value, 0.0, true)) line.controls.responseSeconds = value.trimmed().toStdString();
        } else if (name == QStringLiteral("sea")) {
            if (reader.number(name, value, 0.0, true)) line.controls.seaMetres = value.trimmed().toStdString();
        } else if (name == QStringLiteral("noise")) {
            if (reader.number(name, value, 0.0, true)) line.controls.noiseMetres = value.trimmed().toStdString();
        } else if (name == QStringLiteral("seed")) {
            if (const auto n = reader.whole(name, value, 0, std::numeric_limits<long long>::max())) {
                line.seed = static_cast<std::uint64_t>(*n);
            }
        } else if (name == QStringLiteral("record")) {
            if (value.isEmpty()) reader.fail(name, "needs a file name");
            line.recordFile = value.toStdString();
        } else if (name == QStringLiteral("play")) {
            if (value.isEmpty()) reader.fail(name, "needs a file name");
            line.playFile = value.toStdString();
        } else if (name == QStringLiteral("pace")) {
            if (value != QStringLiteral("fix") && value != QStringLiteral("log")) {
                reader.fail(name, "\"" + value.toStdString() + "\" is not fix or log");
            }
            line.paceLog = value == QStringLiteral("log");
        } else if (name == QStringLiteral("speedup")) {
            if (const auto x = reader.number(name, value, 0.0, false)) {
                if (*x > kMaxSpeedup) reader.fail(name, "must be at most 1000");
                line.speedup = *x;
            }
        }
    }
    if (reader.failed()) {
        line.action = CommandLine::Action::Error;
        return line;
    }
    if (line.action == CommandLine::Action::Help || line.action == CommandLine::Action::Version) {
        return line;
    }
    if (seen.count(QStringLiteral("course")) != 0 && seen.count(QStringLiteral("rate")) != 0) {
        line.error = "--course and --rate cannot be used together: choose autopilot or a rate of turn";
    } else if (seen.count(QStringLiteral("port")) != 0 && seen.count(QStringLiteral("device")) != 0) {
        line.error = "--port and --device cannot be used together";
    } else if (!headless) {
        for (const char* headlessOnly : {"count", "duration", "quiet", "loop", "pace", "speedup"}) {
            if (seen.count(QString::fromLatin1(headlessOnly)) != 0) {
                line.error = std::string("--") + headlessOnly + " needs --headless";
                break;
            }
        }
    } else if ((line.loop || line.paceLog) && !line.playFile) {
        line.error = line.loop ? "--loop needs --play FILE" : "--pace log needs --play FILE";
    }
    if (!line.error.empty()) {
        line.action = CommandLine::Action::Error;
    } else if (headless) {
        line.action = CommandLine::Action::Headless;
    }
    return line;
}

}  // namespace pelora
