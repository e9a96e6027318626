#pragma once

// Scenario files: a small TOML file a team keeps beside its tests. Every key is optional unless
// said otherwise; units are in the key's description. Example:
//
//   [start]
//   latitude  = "54N00.0000"            # or 54.0, or "54.0"; the window's forms are taken too
//   longitude = "0001W15.0000"          # or -1.25
//   time      = 2026-06-01T08:00:00Z    # UTC (an offset is turned into UTC); or the same text
//   speed     = 6                       # knots, 0 to 100
//   course    = 90                      # degrees true, 0 to 360
//   profile   = "Marine GPS (NMEA 2.3)" # Single sentence, Marine GPS (NMEA 2.3),
//                                       # Multi-GNSS (NMEA 4.10), Custom
//   talker    = "GP"                    # GP, GN, GL, GA, GB
//   seed      = 42                      # whole number, 0 or more: the same seed, the same bytes
//
//   [route]                             # either a GPX file ...
//   gpx = "harbour.gpx"                 # relative to the scenario file's folder
//   # ... or the waypoints themselves:
//   # waypoints = [ { name = "Fairway", lat = 54.01, lon = -1.20 },
//   #               { name = "Pier",    lat = "54N01.2000", lon = "0001W10.0000" } ]
//   name = "Harbour approach"           # the route's name (a GPX file names its own)
//   arrival_circle_nm = 0.1             # nautical miles, above 0 and up to 10
//
//   [[event]]
//   at = "00:05:00"                     # hh:mm:ss, or whole seconds (300) from the start
//   speed = 12                          # and exactly one action, from this list:
//
//   speed = 12                 knots, 0 to 100
//   course = 270               degrees true, 0 to 360 (steers by autopilot, leaving the route)
//   rate_of_turn = -1.5        degrees a second, -30 to 30, positive to starboard
//   sea_state = 0.5            metres of sea displacement a step, 0 (off) to 100
//   gps_noise = 3              metres of GPS noise, 0 (off) to 1000
//   profile = "Custom"         a receiver profile, as in [start]
//   talker = "GN"              a talker, as in [start]
//   fix = "lost"               "lost" or "regained"
//   sky_mask = { azimuth_from = 200, azimuth_to = 340, elevation_below = 40 }
//                              satellites in that sector below that elevation are lost
//                              (degrees; the sector runs clockwise); "clear" ends every mask
//   hdop_factor = 3            HDOP times this, 1 to 100 (1 restores it)
//   clock_step = -3600         the clock jumps by these seconds (either way, up to 1024 weeks)
//   fault = "bad-checksum"     a fault on the wire; with `duration` (seconds or hh:mm:ss) it is
//                              on for that long, otherwise to the end; with `every` (a whole
//                              number) it spoils every Nth sentence only
//   end = true                 the run ends (its length is this event's `at`)
//
//   [[target]]                 an AIS target around the ship (any number of them):
//   mmsi = 235000001           nine digits (required)
//   name = "CROSSER"           capital letters, digits and AIS punctuation, up to 20
//   call_sign = "MABC1"        up to 7; type = 70 (ship type 0..99); imo = 9074729
//   class = "A"                "A" (messages 1 and 5) or "B" (18 and 24)
//   length = 120               metres; beam = 20; draught = 7.5; destination = "ROTTERDAM"
//   latitude = 54.52           where it starts (required), as in [start]
//   longitude = -0.58
//   course = 270               degrees; speed = 12 (knots); rate_of_turn = 0 (degrees a minute)
//   heading = 268              true heading when it differs from the course
//   status = "under way"       under way, at anchor, not under command, restricted
//                              manoeuvrability, constrained by draught, moored, aground,
//                              fishing, sailing
//   route = [ { lat = 54.5, lon = -0.6 }, ... ]   waypoints it steers for instead of a course;
//   arrival_circle_nm = 0.1    repeat = true (back to the first after the last)
//
// Events are listed in time order; `at` is simulated time since the start (ticks of a second,
// whatever the clock steps) and at most 720 hours. A file is taken whole or not at all: every
// problem is reported with its line, and nothing runs from a file with one.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/file_source.h"
#include "scenario/scenario.h"
#include "scenario/source_error.h"

namespace pelora {

// The largest scenario file read: 1 MiB.
inline constexpr std::size_t kMaxScenarioBytes = 1024U * 1024U;
// The latest time an event may have: 720 hours, thirty days.
inline constexpr std::chrono::seconds kLatestEventAt{720 * 3600};

// A scenario, or every problem found in its file (never both).
struct ScenarioRead {
    std::optional<Scenario> scenario;
    std::vector<SourceError> errors;
};

// Reads a scenario from `text`, the file at `path` (used in messages and to find a route's GPX
// file, which is read through `files`).
ScenarioRead parseScenario(std::string_view text, const std::string& path, const FileSource& files);

// Reads the scenario file at `path` through `files`: an unreadable file, or one larger than
// kMaxScenarioBytes, is one error.
ScenarioRead readScenarioFile(const std::string& path, const FileSource& files);

// A start position as users type it: signed decimal degrees ("-1.25"), or the window's form of
// degrees, hemisphere and minutes ("54N00.0000", "0001W15.0000"), read as the window reads it.
// Nothing for anything else, or for a position beyond 90 (latitude) or 180 (longitude).
std::optional<double> typedPosition(std::string_view text, bool latitude);

}  // namespace pelora
