#include "scenario/scenario_parser.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scenario/calendar.h"
#include "scenario/timeline_player.h"
#include "scenario_files.h"

namespace pelora {
namespace {

using std::chrono::seconds;

constexpr const char* kPath = "/s/day.toml";

testing::MemoryFiles routeFiles() {
    testing::MemoryFiles files;
    files.files["/s/route.kml"] = "<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>";
    files.files["/s/routes/harbour.gpx"] =
        "<gpx><rte><name>Harbour</name><rtept lat=\"54.5\" lon=\"-0.6\"><name>A</name></rtept>"
        "<rtept lat=\"54.51\" lon=\"-0.61\"/></rte></gpx>";
    return files;
}

std::string errorsText(const ScenarioRead& read) {
    std::string text;
    for (const SourceError& error : read.errors) text += error.text() + "\n";
    return text;
}

struct BadFileRow {
    const char* name;
    const char* toml;
    const char* errors;  // each "file:line: message", one a line
};

class BadScenario : public ::testing::TestWithParam<BadFileRow> {};

TEST_P(BadScenario, IsRefusedWithEveryProblemAndItsLine) {
    const ScenarioRead read = parseScenario(GetParam().toml, kPath, routeFiles());
    EXPECT_FALSE(read.scenario.has_value());
    EXPECT_EQ(errorsText(read), GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadScenario,
    ::testing::Values(
        BadFileRow{"NotToml", "[start\nspeed = 1\n",
                   "/s/day.toml:1: not a scenario file: the TOML is not well formed (Error while "
                   "parsing table header: expected ']', saw '\\n')\n"},
        BadFileRow{"MisspeltKeys", "[start]\nsped = 5\n[[events]]\nat = 0\n",
                   "/s/day.toml:2: unknown key 'sped' in [start] (did you mean 'speed'?)\n"
                   "/s/day.toml:3: unknown key 'events' (did you mean 'event'?)\n"},
        BadFileRow{"WrongType", "[start]\nspeed = \"fast\"\n",
                   "/s/day.toml:2: speed must be a number (knots), not a text\n"},
        BadFileRow{"AbsurdValues",
                   "[start]\nlatitude = 91\nlongitude = \"0001X00.0000\"\nspeed = 120\n"
                   "[[event]]\nat = 10\nspeed = -1\n",
                   "/s/day.toml:2: latitude 91 is out of range: give -90 to 90 degrees\n"
                   "/s/day.toml:3: longitude \"0001X00.0000\" is not a longitude: give signed degrees (-1.25, 120.5) "
                   "or degrees, E or W and minutes (0001W15.0000), up to 180\n"
                   "/s/day.toml:4: speed 120 is out of range: give 0 to 100 knots\n"
                   "/s/day.toml:7: speed -1 is out of range: give 0 to 100 knots\n"},
        BadFileRow{"MinutesBeyondSixty", "[start]\nlatitude = \"54N61.0\"\nlongitude = 1\n",
                   "/s/day.toml:2: latitude \"54N61.0\" is not a latitude: give signed degrees (54.5, -12.25) or "
                   "degrees, N or S and minutes (54N30.0000), up to 90\n"},
        BadFileRow{"TimesOutOfOrder", "[[event]]\nat = \"00:10:00\"\nspeed = 5\n\n[[event]]\nat = 300\nspeed = 6\n",
                   "/s/day.toml:5: the event at 00:05:00 comes after the one at 00:10:00 (line 1): list the events "
                   "in time order\n"},
        BadFileRow{"AtBeyondThirtyDays", "[[event]]\nat = \"721:00:00\"\nend = true\n",
                   "/s/day.toml:2: at 2595600 is out of range: give 0 to 2592000 seconds (720:00:00)\n"},
        BadFileRow{"AtAsFraction", "[[event]]\nat = 1.5\nend = true\n",
                   "/s/day.toml:2: at must be whole seconds (300) or \"hh:mm:ss\", not a fraction\n"},
        BadFileRow{"RouteFileNotGpx", "[route]\ngpx = \"route.kml\"\n",
                   "/s/day.toml:2: the route file is not a usable GPX file: /s/route.kml:1: not a GPX file: the root "
                   "element is <kml>, not <gpx>\n"},
        BadFileRow{"RouteFileMissing", "[route]\ngpx = \"gone.gpx\"\n",
                   "/s/day.toml:2: the route file is not a usable GPX file: /s/gone.gpx: cannot be read: No such "
                   "file or directory\n"},
        BadFileRow{"NegativeEvery", "[[event]]\nat = 0\nfault = \"duplicate\"\nevery = -2\n",
                   "/s/day.toml:4: every must be a whole number from 1 to 1000000, not -2\n"},
        BadFileRow{"UnknownFaultAndProfile",
                   "[start]\nprofile = \"Marine GPS\"\n[[event]]\nat = 0\nfault = \"bad-checksums\"\n",
                   "/s/day.toml:2: unknown profile 'Marine GPS'; the profiles are Single sentence, Marine GPS (NMEA "
                   "2.3), Multi-GNSS (NMEA 4.10), Custom\n"
                   "/s/day.toml:5: unknown fault 'bad-checksums' (did you mean 'bad-checksum'?); the faults are "
                   "bad-checksum, no-checksum, cut-line, no-cr, no-lf, lf-lf, duplicate, reorder, garbage, "
                   "talker-change, gsv-gap, week-rollover\n"},
        BadFileRow{"TwoActionsInOneEvent", "[[event]]\nat = 0\nspeed = 5\ncourse = 90\n",
                   "/s/day.toml:1: the event has 2 actions (speed, course): give each its own [[event]]\n"},
        BadFileRow{"EventAfterTheEnd", "[[event]]\nat = 60\nend = true\n[[event]]\nat = 61\nspeed = 2\n",
                   "/s/day.toml:4: the event at 00:01:01 comes after the end of the run at 00:01:00\n"},
        BadFileRow{"DurationWithoutFault", "[[event]]\nat = 0\nspeed = 5\nduration = 10\n",
                   "/s/day.toml:4: duration belongs to a fault event only\n"},
        BadFileRow{"TargetsThatCannotBeSent",
                   "[[target]]\nname = \"X\"\n[[target]]\nmmsi = 235000001\nname = \"Sea Breeze\"\nlatitude = 54\n"
                   "longitude = 1\nspede = 3\n[[target]]\nmmsi = 235000001\nlatitude = 54\nlongitude = 1\n",
                   "/s/day.toml:1: a [[target]] needs its mmsi (nine digits)\n"
                   "/s/day.toml:1: a [[target]] needs its latitude and longitude\n"
                   "/s/day.toml:3: the target cannot be sent: name \"Sea Breeze\": 'e' (character 2) cannot be sent; "
                   "AIS names use capital letters, digits, space and !\"#$%&'()*+,-./:;<=>?[\\]^_\n"
                   "/s/day.toml:8: unknown key 'spede' in a [[target]] (did you mean 'speed'?)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Scenario, GoodFileGivesTheWholeScenario) {
    const char* toml = R"TOML(
[start]
latitude = "54N30.0000"
longitude = -1.25
time = 2026-06-01T10:00:00+02:00
speed = 6.5
course = 45
profile = "multi-gnss (nmea 4.10)"
talker = "gn"
seed = 99

[route]
gpx = "routes/harbour.gpx"
arrival_circle_nm = 0.05

[[event]]
at = 0
fault = "bad-checksum"
every = 10

[[event]]
at = "00:01:00"
sky_mask = { azimuth_from = 300, azimuth_to = 60, elevation_below = 25 }

[[event]]
at = "00:01:00"
clock_step = -3600

[[event]]
at = 120
fault = "gsv-gap"
duration = "00:00:30"

[[event]]
at = "01:00:00"
end = true

[[target]]
mmsi = 235000001
name = "CROSSER"
class = "B"
latitude = 54.52
longitude = "0001W20.0000"
course = 270
speed = 12
status = "under way"
)TOML";
    const ScenarioRead read = parseScenario(toml, kPath, routeFiles());
    ASSERT_TRUE(read.scenario) << errorsText(read);
    const Scenario& s = *read.scenario;
    ASSERT_EQ(s.targets.size(), 1u);
    EXPECT_EQ(s.targets[0].mmsi, 235000001u);
    EXPECT_EQ(s.targets[0].aisClass, AisClass::B);
    EXPECT_NEAR(s.targets[0].lon, -(1 + 20.0 / 60), 1e-6);
    EXPECT_DOUBLE_EQ(s.targets[0].speedKnots, 12);
    EXPECT_DOUBLE_EQ(s.start.position->latitude, 54.5);
    EXPECT_DOUBLE_EQ(s.start.position->longitude, -1.25);
    EXPECT_EQ(isoUtcText(s.start.utc), "2026-06-01T08:00:00Z");
    EXPECT_EQ(s.start.speedKnots, 6.5);
    EXPECT_EQ(s.start.courseDegrees, 45);
    EXPECT_EQ(s.start.profile, ScenarioProfile::MultiGnss410);
    EXPECT_EQ(s.start.talker, "GN");
    EXPECT_EQ(s.start.seed, 99u);
    ASSERT_TRUE(s.route);
    EXPECT_EQ(s.route->name, "Harbour");
    EXPECT_EQ(s.route->waypoints.size(), 2u);
    EXPECT_EQ(s.arrivalCircleNm, 0.05);
    EXPECT_EQ(s.end, seconds(3600));

    ASSERT_EQ(s.events.size(), 5u);
    const auto& every = std::get<action::SwitchFault>(s.events[0].action).fault;
    EXPECT_EQ(every.every, 10u);
    EXPECT_FALSE(every.until);
    const auto& mask = std::get<action::MaskSky>(s.events[1].action);
    EXPECT_EQ(mask.azimuthFromDegrees, 300);
    EXPECT_EQ(mask.elevationBelowDegrees, 25);
    EXPECT_EQ(std::get<action::StepClock>(s.events[2].action).delta, seconds(-3600));
    const auto& window = std::get<action::SwitchFault>(s.events[3].action).fault;
    EXPECT_EQ(window.kind, FaultKind::GsvGap);
    EXPECT_EQ(window.from, seconds(120));
    EXPECT_EQ(window.until, seconds(150));
    EXPECT_EQ(s.events[3].line, 29);

    // The timeline gives each event once, at its time, in order.
    TimelinePlayer player(s.events);
    EXPECT_EQ(player.due(seconds(0)).size(), 1u);
    EXPECT_TRUE(player.due(seconds(59)).empty());
    const auto atOneMinute = player.due(seconds(60));
    ASSERT_EQ(atOneMinute.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<action::MaskSky>(atOneMinute[0].action)) << "file order at equal times";
    EXPECT_EQ(player.due(seconds(7200)).size(), 2u);
    EXPECT_TRUE(player.finished());
}

TEST(Scenario, WithoutAPositionStartsAtTheRoutesFirstWaypoint) {
    const ScenarioRead read =
        parseScenario("[route]\nwaypoints = [{ lat = \"10S30.0\", lon = 20 }, { name = \"B\", lat = -10, lon = 20.5 }]\n",
                      kPath, routeFiles());
    ASSERT_TRUE(read.scenario) << errorsText(read);
    EXPECT_DOUBLE_EQ(read.scenario->start.position->latitude, -10.5);
    EXPECT_EQ(read.scenario->route->waypoints[1].name, "B");
}

TEST(Scenario, ExamplesReadCleanly) {
    for (const char* name : {"harbour_approach.toml", "bridge_fix_loss.toml", "midnight_clock_step.toml"}) {
        const ScenarioRead read = readScenarioFile(std::string(PELORA_SOURCE_DIR "/examples/") + name, testing::DiskFiles{});
        EXPECT_TRUE(read.scenario) << name << "\n" << errorsText(read);
    }
}

}  // namespace
}  // namespace pelora
