#include "scenario/gpx.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "peer_programs.h"
#include "scenario_files.h"
#include "text/number_text.h"

namespace pelora {
namespace {

constexpr const char* kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// "name|point lat lon|..." for comparing routes.
std::string routeText(const Route& route) {
    std::string text = route.name;
    for (const Waypoint& w : route.waypoints) {
        text += "|" + w.name + " " + shortestNumberText(w.latitude) + " " + shortestNumberText(w.longitude);
    }
    return text;
}

struct ReadRow {
    const char* name;
    std::string gpx;
    const char* route;
};

class GpxReading : public ::testing::TestWithParam<ReadRow> {};

TEST_P(GpxReading, GivesTheRoute) {
    const GpxRead read = parseGpx(GetParam().gpx, "test.gpx", "fallback");
    ASSERT_TRUE(read.route) << read.error.text();
    EXPECT_EQ(routeText(*read.route), GetParam().route);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GpxReading,
    ::testing::Values(
        ReadRow{"RouteWithNames",
                std::string(kHeader) +
                    "<gpx version=\"1.1\" creator=\"t\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                    "<rte><name> Harbour approach </name>\n"
                    "<rtept lat=\"54.0\" lon=\"-1.0\"><name>Fairway</name></rtept>\n"
                    "<rtept lat=\"54.01\" lon=\"-0.985\"><ele>0</ele><name>Pier</name></rtept></rte></gpx>\n",
                "Harbour approach|Fairway 54 -1|Pier 54.01 -0.985"},
        ReadRow{"TrackSegmentsInOrder",
                "<gpx version=\"1.0\"><trk><name>Morning</name><trkseg><trkpt lat=\"1\" lon=\"2\"/>"
                "<trkpt lat=\"1.5\" lon=\"2.5\"/></trkseg><trkseg><trkpt lat=\"2\" lon=\"3\"/></trkseg></trk></gpx>",
                "Morning| 1 2| 1.5 2.5| 2 3"},
        ReadRow{"RouteNamedByTheMetadata",
                "<gpx><metadata><name>Passage</name></metadata><rte><rtept lat=\"-90\" lon=\"180\"/></rte></gpx>",
                "Passage| -90 180"},
        ReadRow{"NamedAfterTheFile", "<gpx><rte><rtept lat=\"0\" lon=\"0\"/></rte></gpx>", "fallback| 0 0"},
        ReadRow{"RouteBeforeTrack",
                "<gpx><trk><trkseg><trkpt lat=\"5\" lon=\"5\"/></trkseg></trk>"
                "<rte><name>R</name><rtept lat=\"1\" lon=\"1\"/></rte></gpx>",
                "R| 1 1"},
        ReadRow{"PrefixedElements",
                "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\"><g:rte><g:name>P</g:name>"
                "<g:rtept lat=\"1\" lon=\"-1\"/></g:rte></g:gpx>",
                "P| 1 -1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ErrorRow {
    const char* name;
    std::string gpx;
    int line;
    const char* message;
};

class GpxErrors : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(GpxErrors, NameTheLineAndWhatIsWrong) {
    const GpxRead read = parseGpx(GetParam().gpx, "bad.gpx", "bad");
    ASSERT_FALSE(read.route);
    EXPECT_EQ(read.error.line, GetParam().line);
    EXPECT_EQ(read.error.message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GpxErrors,
    ::testing::Values(
        ErrorRow{"NotXml", "hello", 1, "not a GPX file: the XML is not well formed (No document element found)"},
        ErrorRow{"TagsMismatched", std::string(kHeader) + "<gpx>\n<rte>\n<rtept lat=\"1\" lon=\"2\">\n</rte>\n</gpx>", 5,
                 "not a GPX file: the XML is not well formed (Start-end tags mismatch)"},
        ErrorRow{"KmlFile", std::string(kHeader) + "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n</kml>\n", 2,
                 "not a GPX file: the root element is <kml>, not <gpx>"},
        ErrorRow{"RouteWithoutPoints", "<gpx>\n  <rte>\n    <name>Empty</name>\n  </rte>\n</gpx>", 2,
                 "the <rte> holds no points"},
        ErrorRow{"WaypointsOnly", "\n<gpx>\n<wpt lat=\"1\" lon=\"2\"/>\n</gpx>", 2,
                 "the file holds no route (<rte>) or track (<trk>)"},
        ErrorRow{"PointWithoutLatitude", "<gpx>\n<rte>\n<rtept lat=\"1\" lon=\"2\"/>\n<rtept lon=\"2\"/>\n</rte></gpx>",
                 4, "<rtept> has no lat attribute"},
        ErrorRow{"LatitudeBeyondThePole", "<gpx><trk><trkseg>\n\n<trkpt lat=\"91.5\" lon=\"2\"/></trkseg></trk></gpx>",
                 3, "<trkpt> latitude 91.5 is out of range (-90 to 90)"},
        ErrorRow{"LongitudeNotANumber", "<gpx><rte>\n<rtept lat=\"1\" lon=\"12E\"/></rte></gpx>", 2,
                 "<rtept> longitude \"12E\" is not a number"},
        ErrorRow{"LongitudeBeyondTheAntimeridian", "<gpx><rte>\n<rtept lat=\"1\" lon=\"-180.5\"/></rte></gpx>", 2,
                 "<rtept> longitude -180.5 is out of range (-180 to 180)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GpxFile, UnreadableOrTooLargeIsAnError) {
    testing::MemoryFiles files;
    files.huge.insert("/routes/big.gpx");
    EXPECT_EQ(readGpxFile("/routes/big.gpx", files).error.text(),
              "/routes/big.gpx: the file is larger than 64 MiB, the most a GPX file may hold");
    EXPECT_EQ(readGpxFile("/routes/gone.gpx", files).error.text(),
              "/routes/gone.gpx: cannot be read: No such file or directory");
}

// GPSBabel reads the file and writes it again as GPX; xmllint checks it against the GPX 1.1
// schema. Gives GPSBabel's GPX, or "" with a test failure.
std::string acceptedByPeers(const std::string& gpx, const std::string& kind) {
    testing::ScratchFolder folder;
    const std::string path = folder.write("written.gpx", gpx);
    const testing::ProgramRun schema = testing::runProgram("xmllint --noout --schema " PELORA_SOURCE_DIR
                                                           "/tests/data/gpx11.xsd " + path);
    EXPECT_EQ(schema.status, 0) << schema.output << gpx;
    const testing::ProgramRun babel = testing::runProgram("gpsbabel " + kind + " -i gpx -f " + path + " -o gpx -F -");
    EXPECT_EQ(babel.status, 0) << babel.output;
    return babel.status == 0 ? babel.output : std::string();
}

TEST(GpxWriting, RouteIsValidGpxThatGpsBabelReadsBack) {
    const Route route{"Clicked <route> & co",
                      {{"Fairway", 54.123456789, -1.000000001}, {"", -33.5, 179.9999999999}, {"Pier \"2\"", 0, -180}}};
    const std::string babel = acceptedByPeers(routeGpx(route), "-r");
    const GpxRead read = parseGpx(babel, "babel.gpx", "");
    ASSERT_TRUE(read.route) << read.error.text();
    // GPSBabel names the unnamed point itself.
    EXPECT_EQ(routeText(*read.route),
              "Clicked <route> & co|Fairway 54.123456789 -1.000000001|RPT002 -33.5 -180|Pier \"2\" 0 -180")
        << "a longitude that rounds to 180 is written as -180";
}

TEST(GpxWriting, TrackKeepsTimesSpeedAndCourseThroughGpsBabel) {
    const std::vector<TrackFix> fixes{{54.0, -1.0, {2026, 6, 1, 8, 0, 0}, 6.0, 45.0},
                                      {54.0001, -0.9999, {2026, 6, 1, 8, 0, 1}, 6.5, 359.96}};
    const std::string babel = acceptedByPeers(trackGpx("Recorded", fixes), "-t");
    const GpxRead read = parseGpx(babel, "babel.gpx", "");
    ASSERT_TRUE(read.route) << read.error.text();
    EXPECT_EQ(routeText(*read.route), "Recorded| 54 -1| 54.0001 -0.9999");
    for (const char* kept : {"<time>2026-06-01T08:00:01Z</time>", "<gpxtpx:speed>3.09</gpxtpx:speed>",
                             "<gpxtpx:speed>3.34</gpxtpx:speed>", "<gpxtpx:course>45.0</gpxtpx:course>",
                             "<gpxtpx:course>0.0</gpxtpx:course>"}) {
        EXPECT_NE(babel.find(kept), std::string::npos) << kept << " in\n" << babel;
    }
}

}  // namespace
}  // namespace pelora
