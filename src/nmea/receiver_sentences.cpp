// The receiver forms of the sentences: what a GNSS receiver sends for one fix, following
// NMEA 0183 as its consumers read it (gpsd's "NMEA Revealed"). Versions 2.3 and later carry the
// mode indicator; 4.10 and later add RMC's and GNS's navigational status, GSA's system id and
// GSV's signal id. Times carry hundredths of a second. Without a fix every sentence says so:
// status V, quality 0, GSA mode 1, mode indicator N and empty position and dilution fields;
// GSV still lists the sky.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/position_format.h"
#include "nmea/sentence_table.h"
#include "text/number_text.h"

namespace pelora {

namespace {

constexpr std::size_t kLongestSentence = 82;
constexpr int kSlotsPerGsa = 12;
constexpr int kSatellitesPerGsv = 4;
constexpr double kKilometresPerNauticalMile = 1.852;
constexpr double kFullCircleDeg = 360;
// A fix whose HDOP exceeds this is reported as unsafe for navigation (RMC, GNS from 4.10).
constexpr double kUnsafeHdop = 5;
// The differential corrections' age and reference station, as the single GGA always reported.
constexpr std::string_view kCorrectionAgeSeconds = "5";
constexpr std::string_view kReferenceStation = "0100";
// The systems in the order of GNS's mode indicator characters.
constexpr std::array kModeOrder{GnssSystem::Gps, GnssSystem::Glonass, GnssSystem::Galileo, GnssSystem::Beidou};

// A sentence built field by field: "$", talker and type, then each field after a comma.
class FieldList {
public:
    FieldList(std::string_view talker, std::string_view type) {
        m_text.reserve(kLongestSentence);
        m_text.push_back('$');
        m_text.append(talker);
        m_text.append(type);
    }
    FieldList& add(std::string_view field) {
        m_text.push_back(',');
        m_text.append(field);
        return *this;
    }
    FieldList& add(char field) {
        m_text.push_back(',');
        m_text.push_back(field);
        return *this;
    }
    FieldList& addEmpty(int count) {
        m_text.append(static_cast<std::size_t>(count), ',');
        return *this;
    }
    // A whole number of at least `width` digits (leading zeros), never negative.
    FieldList& addNumber(long value, int width) {
        m_text.push_back(',');
        appendPadded(m_text, value, width);
        return *this;
    }
    std::string take() { return std::move(m_text); }

    static void appendPadded(std::string& text, long value, int width) {
        std::array<char, 24> digits{};
        int count = 0;
        unsigned long rest = value < 0 ? 0UL : static_cast<unsigned long>(value);
        do {
            digits[static_cast<std::size_t>(count++)] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest != 0 && count < static_cast<int>(digits.size()));
        for (int pad = count; pad < width; ++pad) text.push_back('0');
        while (count > 0) text.push_back(digits[static_cast<std::size_t>(--count)]);
    }

private:
    std::string m_text;
};

bool hasFix(const Fix& fix) { return fix.state != FixState::NoFix; }

bool fromVersion410(const SentenceStyle& style) { return style.version != NmeaVersion::V23; }

// "hhmmss.ss": the second's hundredths from the fix's milliseconds.
std::string fixTimeText(const Fix& fix) {
    std::string text = timeText(fix.time);
    text.push_back('.');
    FieldList::appendPadded(text, std::clamp(fix.millisecond, 0, 999) / 10, 2);
    return text;
}

char modeIndicator(const Fix& fix) {
    switch (fix.state) {
    case FixState::NoFix: return 'N';
    case FixState::Differential: return 'D';
    case FixState::Fix2D:
    case FixState::Fix3D: break;
    }
    return 'A';
}

char navigationalStatus(const Fix& fix) {
    if (!hasFix(fix)) return 'V';
    return fix.dop.hdop > kUnsafeHdop ? 'U' : 'S';
}

// The four position fields, or four empty ones without a fix.
void addPosition(FieldList& fields, const Fix& fix) {
    if (!hasFix(fix)) {
        fields.addEmpty(4);
        return;
    }
    fields.add(posformat(fix.latitude, true, fix.decimalPlaces, fix.leadingZeros));
    fields.add(posformat(fix.longitude, false, fix.decimalPlaces, fix.leadingZeros));
}

std::string oneDecimal(double value) { return formatDigits(value, 1, 1); }

std::string dopText(double dop) { return formatDigits(std::clamp(dop, 0.0, 99.9), 1, 1); }

int satellitesUsedOf(const Fix& fix) { return hasFix(fix) ? std::clamp(fix.satellitesUsed, 0, 99) : 0; }

// The systems a multi-sentence type reports, once each, in the style's order (GPS if none).
std::vector<GnssSystem> reportedSystems(const SentenceStyle& style) {
    std::vector<GnssSystem> systems;
    for (GnssSystem system : style.systems) {
        if (std::find(systems.begin(), systems.end(), system) == systems.end()) systems.push_back(system);
    }
    if (systems.empty()) systems.push_back(GnssSystem::Gps);
    return systems;
}

std::string_view systemTalker(GnssSystem system) {
    switch (system) {
    case GnssSystem::Glonass: return "GL";
    case GnssSystem::Galileo: return "GA";
    case GnssSystem::Beidou: return "GB";
    case GnssSystem::Gps: break;
    }
    return "GP";
}

// The NMEA system id of GSA and GSV from 4.10: 1 GPS, 2 GLONASS, 3 Galileo, 4 BeiDou.
char systemId(GnssSystem system) { return static_cast<char>('1' + static_cast<int>(system)); }

// The signal reported in GSV from 4.10: GPS L1 C/A, GLONASS L1 C/A, Galileo E1 B/C, BeiDou B1I.
char signalId(GnssSystem system) { return system == GnssSystem::Galileo ? '7' : '1'; }

// The satellite's NMEA number: GPS its PRN, GLONASS 64 + slot. From 4.10 the system id tells
// the systems apart and Galileo and BeiDou keep their own numbers; before it they are 300 +
// and 400 + theirs, so that no two satellites share a number.
int nmeaSatelliteId(const SatelliteView& satellite, const SentenceStyle& style) {
    switch (satellite.system) {
    case GnssSystem::Glonass: return 64 + satellite.svid;
    case GnssSystem::Galileo: return fromVersion410(style) ? satellite.svid : 300 + satellite.svid;
    case GnssSystem::Beidou: return fromVersion410(style) ? satellite.svid : 400 + satellite.svid;
    case GnssSystem::Gps: break;
    }
    return satellite.svid;
}

long roundedDegrees(double degrees, long largest) {
    const double value = std::isfinite(degrees) ? std::round(degrees) : 0;
    return static_cast<long>(std::clamp(value, 0.0, static_cast<double>(largest)));
}

}  // namespace

void composeReceiverGLL(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    FieldList fields(style.talker, "GLL");
    addPosition(fields, fix);
    fields.add(fixTimeText(fix)).add(hasFix(fix) ? 'A' : 'V').add(modeIndicator(fix));
    out.push_back(fields.take());
}

void composeReceiverGGA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    FieldList fields(style.talker, "GGA");
    fields.add(fixTimeText(fix));
    addPosition(fields, fix);
    const int quality = fix.state == FixState::NoFix ? 0 : fix.state == FixState::Differential ? 2 : 1;
    fields.addNumber(quality, 1).addNumber(satellitesUsedOf(fix), 2);
    if (!hasFix(fix)) {
        fields.addEmpty(7);
    } else {
        fields.add(dopText(fix.dop.hdop)).add(oneDecimal(fix.altitudeMetres)).add('M');
        fields.add(oneDecimal(fix.geoidSeparationMetres)).add('M');
        if (fix.state == FixState::Differential) {
            fields.add(kCorrectionAgeSeconds).add(kReferenceStation);
        } else {
            fields.addEmpty(2);
        }
    }
    out.push_back(fields.take());
}

void composeReceiverRMC(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    FieldList fields(style.talker, "RMC");
    fields.add(fixTimeText(fix)).add(hasFix(fix) ? 'A' : 'V');
    addPosition(fields, fix);
    if (hasFix(fix)) {
        fields.add(fix.sogText).add(fix.cogText);
    } else {
        fields.addEmpty(2);
    }
    // No magnetic variation: the receiver carries no magnetic model.
    fields.add(dateText(fix.time)).addEmpty(2).add(modeIndicator(fix));
    if (fromVersion410(style)) fields.add(navigationalStatus(fix));
    out.push_back(fields.take());
}

void composeVTG(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    FieldList fields(style.talker, "VTG");
    const bool speedKnown = hasFix(fix) && !fix.sogText.empty();
    fields.add(hasFix(fix) ? std::string_view(fix.cogText) : std::string_view()).add('T').add("").add('M');
    fields.add(speedKnown ? std::string_view(fix.sogText) : std::string_view()).add('N');
    fields.add(speedKnown ? oneDecimal(fix.sogKnots * kKilometresPerNauticalMile) : std::string()).add('K');
    fields.add(modeIndicator(fix));
    out.push_back(fields.take());
}

void composeZDA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    FieldList fields(style.talker, "ZDA");
    // The local zone fields are 00,00: the time is reported as UTC.
    fields.add(fixTimeText(fix)).addNumber(fix.time.day, 2).addNumber(fix.time.month, 2);
    fields.add(formatYear(fix.time.year)).add("00").add("00");
    out.push_back(fields.take());
}

void composeGSA(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    const int mode = fix.state == FixState::NoFix ? 1 : fix.state == FixState::Fix2D ? 2 : 3;
    for (GnssSystem system : reportedSystems(style)) {
        FieldList fields(style.talker, "GSA");
        fields.add('A').addNumber(mode, 1);
        int slots = 0;
        for (const SatelliteView& satellite : fix.satellites) {
            if (slots == kSlotsPerGsa) break;
            if (!satellite.used || satellite.system != system || !hasFix(fix)) continue;
            fields.addNumber(nmeaSatelliteId(satellite, style), 2);
            ++slots;
        }
        fields.addEmpty(kSlotsPerGsa - slots);
        if (!hasFix(fix)) {
            fields.addEmpty(3);
        } else {
            fields.add(dopText(fix.dop.pdop)).add(dopText(fix.dop.hdop));
            fields.add(fix.state == FixState::Fix2D ? std::string() : dopText(fix.dop.vdop));
        }
        if (fromVersion410(style)) fields.add(systemId(system));
        out.push_back(fields.take());
    }
}

void composeGSV(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    for (GnssSystem system : reportedSystems(style)) {
        const auto inView = std::count_if(fix.satellites.begin(), fix.satellites.end(),
                                          [system](const SatelliteView& s) { return s.system == system; });
        const long sentences = std::max<long>(1, (inView + kSatellitesPerGsv - 1) / kSatellitesPerGsv);
        auto next = fix.satellites.begin();
        for (long number = 1; number <= sentences; ++number) {
            FieldList fields(systemTalker(system), "GSV");
            fields.addNumber(sentences, 1).addNumber(number, 1).addNumber(inView, 2);
            for (int placed = 0; placed < kSatellitesPerGsv; ++placed) {
                next = std::find_if(next, fix.satellites.end(), [system](const SatelliteView& s) { return s.system == system; });
                if (next == fix.satellites.end()) break;
                fields.addNumber(nmeaSatelliteId(*next, style), 2);
                fields.addNumber(roundedDegrees(next->elevationDeg, 90), 2);
                fields.addNumber(roundedDegrees(next->azimuthDeg, 360) % 360, 3);
                if (next->snrDbHz >= 0) {
                    fields.addNumber(std::min(next->snrDbHz, 99), 2);
                } else {
                    fields.add("");
                }
                ++next;
            }
            if (fromVersion410(style)) fields.add(signalId(system));
            out.push_back(fields.take());
        }
    }
}

void composeGNS(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    FieldList fields(style.talker, "GNS");
    fields.add(fixTimeText(fix));
    addPosition(fields, fix);
    // One mode character per system, in NMEA's order, up to the last system reported; N for a
    // system not reported or with no satellite used.
    const std::vector<GnssSystem> systems = reportedSystems(style);
    std::size_t characters = 1;
    for (std::size_t i = 0; i < kModeOrder.size(); ++i) {
        if (std::find(systems.begin(), systems.end(), kModeOrder[i]) != systems.end()) characters = i + 1;
    }
    std::string mode;
    for (std::size_t i = 0; i < characters; ++i) {
        const GnssSystem system = kModeOrder[i];
        const bool used = std::find(systems.begin(), systems.end(), system) != systems.end() &&
                          std::any_of(fix.satellites.begin(), fix.satellites.end(),
                                      [system](const SatelliteView& s) { return s.used && s.system == system; });
        mode.push_back(used && hasFix(fix) ? modeIndicator(fix) : 'N');
    }
    fields.add(mode).addNumber(satellitesUsedOf(fix), 2);
    if (!hasFix(fix)) {
        fields.addEmpty(5);
    } else {
        fields.add(dopText(fix.dop.hdop)).add(oneDecimal(fix.altitudeMetres)).add(oneDecimal(fix.geoidSeparationMetres));
        if (fix.state == FixState::Differential) {
            fields.add(kCorrectionAgeSeconds).add(kReferenceStation);
        } else {
            fields.addEmpty(2);
        }
    }
    if (fromVersion410(style)) fields.add(navigationalStatus(fix));
    out.push_back(fields.take());
}

void composeGST(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    FieldList fields(style.talker, "GST");
    fields.add(fixTimeText(fix));
    if (!hasFix(fix)) {
        fields.addEmpty(7);
    } else {
        const FixErrors& e = fix.errors;
        fields.add(oneDecimal(e.rangeRms)).add(oneDecimal(e.semiMajor)).add(oneDecimal(e.semiMinor));
        fields.add(oneDecimal(e.orientationDeg)).add(oneDecimal(e.latitude)).add(oneDecimal(e.longitude));
        fields.add(fix.state == FixState::Fix2D ? std::string() : oneDecimal(e.altitude));
    }
    out.push_back(fields.take());
}

void composeHDT(const Fix& fix, const SentenceStyle& style, std::vector<std::string>& out) {
    double heading = std::isfinite(fix.headingDegrees) ? std::fmod(fix.headingDegrees, kFullCircleDeg) : 0;
    if (heading < 0) heading += kFullCircleDeg;
    std::string text = oneDecimal(heading);
    if (text == "360.0") text = "0.0";
    FieldList fields(style.talker, "HDT");
    fields.add(text).add('T');
    out.push_back(fields.take());
}

}  // namespace pelora
