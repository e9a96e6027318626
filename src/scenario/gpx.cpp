#include "scenario/gpx.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include <pugixml.hpp>

#include "scenario/calendar.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr int kPositionDecimals = 9;
constexpr const char* kGpxNamespace = "http://www.topografix.com/GPX/1/1";
constexpr const char* kTrackPointExtensionNamespace = "http://www.garmin.com/xmlschemas/TrackPointExtension/v2";
constexpr const char* kCreator = "Pelora";

// The element's name without a namespace prefix: "rtept" for "gpx:rtept".
std::string_view localName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child(const pugi::xml_node& parent, std::string_view name) {
    for (pugi::xml_node node : parent.children()) {
        if (node.type() == pugi::node_element && localName(node) == name) return node;
    }
    return {};
}

std::string tooLargeMessage() {
    return "the file is larger than " + std::to_string(kMaxGpxBytes / (1024U * 1024U)) +
           " MiB, the most a GPX file may hold";
}

int lineAt(std::string_view text, std::ptrdiff_t offset) {
    if (offset < 0) return 0;
    const auto end = text.begin() + std::min<std::ptrdiff_t>(offset, static_cast<std::ptrdiff_t>(text.size()));
    return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
}

std::string trimmedText(const pugi::xml_node& node) { return std::string(trim(node.child_value())); }

class GpxReader {
public:
    GpxReader(std::string_view text, const std::string& fileName) : m_text(text), m_fileName(fileName) {}

    GpxRead fail(std::ptrdiff_t offset, std::string message) const {
        GpxRead result;
        result.error = SourceError{m_fileName, lineAt(m_text, offset), std::move(message)};
        return result;
    }

    GpxRead read(const std::string& fallbackName) {
        if (m_text.size() > kMaxGpxBytes) return fail(-1, tooLargeMessage());
        pugi::xml_document document;
        const pugi::xml_parse_result parsed = document.load_buffer(m_text.data(), m_text.size(),
                                                                   pugi::parse_default, pugi::encoding_utf8);
        if (!parsed) {
            return fail(parsed.offset, std::string("not a GPX file: the XML is not well formed (") +
                                           parsed.description() + ")");
        }
        const pugi::xml_node root = document.document_element();
        if (localName(root) != "gpx") {
            return fail(root.offset_debug(), root ? "not a GPX file: the root element is <" +
                                                        std::string(root.name()) + ">, not <gpx>"
                                                  : std::string("not a GPX file: it holds no element"));
        }

        Route route;
        pugi::xml_node holder = child(root, "rte");
        if (holder) {
            for (pugi::xml_node point : holder.children()) {
                if (localName(point) == "rtept" && !addPoint(point, route)) return m_failure;
            }
        } else if ((holder = child(root, "trk"))) {
            for (pugi::xml_node segment : holder.children()) {
                if (localName(segment) != "trkseg") continue;
                for (pugi::xml_node point : segment.children()) {
                    if (localName(point) == "trkpt" && !addPoint(point, route)) return m_failure;
                }
            }
        }
        if (route.waypoints.empty()) {
            return fail(holder ? holder.offset_debug() : root.offset_debug(),
                        holder ? "the <" + std::string(holder.name()) + "> holds no points"
                               : std::string("the file holds no route (<rte>) or track (<trk>)"));
        }
        route.name = trimmedText(child(holder, "name"));
        if (route.name.empty()) route.name = trimmedText(child(child(root, "metadata"), "name"));
        if (route.name.empty()) route.name = fallbackName;
        GpxRead result;
        result.route = std::move(route);
        return result;
    }

private:
    // Reads one coordinate attribute; sets m_failure and gives nothing when it is missing, not
    // a number or beyond `largest` either way.
    std::optional<double> coordinate(const pugi::xml_node& point, const char* attribute, const char* what,
                                     double largest) {
        const pugi::xml_attribute value = point.attribute(attribute);
        const std::string where = "<" + std::string(point.name()) + ">";
        if (!value) {
            m_failure = fail(point.offset_debug(), where + " has no " + attribute + " attribute");
            return std::nullopt;
        }
        const std::optional<double> number = strictNumberFromText(value.value());
        if (!number || !std::isfinite(*number)) {
            m_failure = fail(point.offset_debug(), where + " " + what + " \"" + value.value() + "\" is not a number");
            return std::nullopt;
        }
        if (std::fabs(*number) > largest) {
            m_failure = fail(point.offset_debug(), where + " " + what + " " + value.value() + " is out of range (-" +
                                                       shortestNumberText(largest) + " to " +
                                                       shortestNumberText(largest) + ")");
            return std::nullopt;
        }
        return *number;
    }

    bool addPoint(const pugi::xml_node& point, Route& route) {
        const auto latitude = coordinate(point, "lat", "latitude", kLargestLatitude);
        if (!latitude) return false;
        const auto longitude = coordinate(point, "lon", "longitude", kLargestLongitude);
        if (!longitude) return false;
        route.waypoints.push_back(Waypoint{trimmedText(child(point, "name")), *latitude, *longitude});
        return true;
    }

    std::string_view m_text;
    const std::string& m_fileName;
    GpxRead m_failure;
};

// The file name without folder and extension: "harbour" for "/routes/harbour.gpx".
std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

// Text for an XML element: characters XML 1.0 cannot hold (controls other than tab and line
// ends) are left out.
std::string xmlText(const std::string& text) {
    std::string clean;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 0x20 || c == '\t' || c == '\n' || c == '\r') clean.push_back(c);
    }
    return clean;
}

std::string latitudeText(double latitude) {
    return formatDigits(std::clamp(latitude, -kLargestLatitude, kLargestLatitude), 1, kPositionDecimals);
}

// GPX 1.1 wants -180 <= lon < 180: a longitude that writes as 180 is written as -180.
std::string longitudeText(double longitude) {
    std::string text = formatDigits(std::clamp(longitude, -kLargestLongitude, kLargestLongitude), 1, kPositionDecimals);
    if (text == formatDigits(kLargestLongitude, 1, kPositionDecimals)) text.insert(0, "-");
    return text;
}

// A course in [0, 360) with one decimal: 360.0 after rounding is 0.0.
std::string courseText(double degrees) {
    double course = std::isfinite(degrees) ? std::fmod(degrees, 360.0) : 0.0;
    if (course < 0) course += 360.0;
    const std::string text = formatDigits(course, 1, 1);
    return text == "360.0" ? std::string("0.0") : text;
}

pugi::xml_node startDocument(pugi::xml_document& document) {
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node gpx = document.append_child("gpx");
    gpx.append_attribute("version") = "1.1";
    gpx.append_attribute("creator") = kCreator;
    gpx.append_attribute("xmlns") = kGpxNamespace;
    return gpx;
}

void appendText(pugi::xml_node parent, const char* name, const std::string& text) {
    parent.append_child(name).text().set(text.c_str());
}

void placePoint(pugi::xml_node point, double latitude, double longitude) {
    point.append_attribute("lat") = latitudeText(latitude).c_str();
    point.append_attribute("lon") = longitudeText(longitude).c_str();
}

std::string documentText(const pugi::xml_document& document) {
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

}  // namespace

GpxRead parseGpx(std::string_view text, const std::string& fileName, const std::string& fallbackName) {
    return GpxReader(text, fileName).read(fallbackName);
}

GpxRead readGpxFile(const std::string& path, const FileSource& files) {
    const FileText file = files.read(path, kMaxGpxBytes);
    if (file.tooLarge || !file.error.empty()) {
        GpxRead result;
        result.error = SourceError{path, 0, file.tooLarge ? tooLargeMessage() : "cannot be read: " + file.error};
        return result;
    }
    return parseGpx(file.bytes, path, baseName(path));
}

std::string routeGpx(const Route& route) {
    pugi::xml_document document;
    pugi::xml_node rte = startDocument(document).append_child("rte");
    if (!route.name.empty()) appendText(rte, "name", xmlText(route.name));
    for (const Waypoint& waypoint : route.waypoints) {
        pugi::xml_node point = rte.append_child("rtept");
        placePoint(point, waypoint.latitude, waypoint.longitude);
        if (!waypoint.name.empty()) appendText(point, "name", xmlText(waypoint.name));
    }
    return documentText(document);
}

std::string trackGpx(const std::string& name, std::span<const TrackFix> fixes) {
    pugi::xml_document document;
    pugi::xml_node gpx = startDocument(document);
    gpx.append_attribute("xmlns:gpxtpx") = kTrackPointExtensionNamespace;
    pugi::xml_node trk = gpx.append_child("trk");
    if (!name.empty()) appendText(trk, "name", xmlText(name));
    pugi::xml_node segment = trk.append_child("trkseg");
    for (const TrackFix& fix : fixes) {
        pugi::xml_node point = segment.append_child("trkpt");
        placePoint(point, fix.latitude, fix.longitude);
        appendText(point, "time", isoUtcText(fix.utc));
        pugi::xml_node values = point.append_child("extensions").append_child("gpxtpx:TrackPointExtension");
        appendText(values, "gpxtpx:speed", formatDigits(std::max(0.0, fix.speedKnots) * kMetresPerSecondPerKnot, 1, 2));
        appendText(values, "gpxtpx:course", courseText(fix.courseDegrees));
    }
    return documentText(document);
}

}  // namespace pelora
