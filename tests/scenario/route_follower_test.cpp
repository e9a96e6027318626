#include "scenario/route_follower.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "nmea/sentence_table.h"
#include "peer_programs.h"
#include "sim/ship_motion.h"
#include "support/core_fakes.h"

namespace pelora {
namespace {

// Geodesics computed apart from the program: Python's geographiclib, with the foot of the
// perpendicular found by a golden-section search for the nearest point of the extended leg
// (the program steps towards it instead). The route sentences are read by pynmea2 in its strict
// mode and their fields compared with the same answers, to the places they are written with.
constexpr const char* kGeodesyCheck = R"PY(
import math, sys
import pynmea2
from geographiclib.geodesic import Geodesic
g = Geodesic.WGS84
NM = 1852.0
bad = []
def near(case, name, got, want, tol):
    if abs(got - want) > tol: bad.append('%s: %s %.12g, geographiclib %.12g' % (case, name, got, want))
def bearing_near(case, name, got, want, tol):
    if abs((got - want + 180) % 360 - 180) > tol: bad.append('%s: %s %.12g, geographiclib %.12g' % (case, name, got, want))
for row in sys.stdin:
    f = row.rstrip('\n').split('\t')
    case = f[0]
    olat, olon, dlat, dlon, plat, plon, sog, cog, xte, bdest, bod, dist, closing = map(float, f[1:14])
    steer, sentences = f[14], f[15:20]
    leg = g.InverseLine(olat, olon, dlat, dlon)
    def off(s):
        p = leg.Position(s)
        return g.Inverse(p['lat2'], p['lon2'], plat, plon)['s12']
    lo, hi = -leg.s13, 2 * leg.s13
    r = (math.sqrt(5) - 1) / 2
    a, b = hi - r * (hi - lo), lo + r * (hi - lo)
    fa, fb = off(a), off(b)
    while hi - lo > 1e-7:
        if fa < fb: hi, b, fb = b, a, fa; a = hi - r * (hi - lo); fa = off(a)
        else: lo, a, fa = a, b, fb; b = lo + r * (hi - lo); fb = off(b)
    foot = leg.Position((lo + hi) / 2)
    back = g.Inverse(foot['lat2'], foot['lon2'], plat, plon)
    want_xte = back['s12'] / NM
    want_steer = 'L' if math.sin(math.radians(back['azi1'] - foot['azi2'])) > 0 else 'R'
    to = g.Inverse(plat, plon, dlat, dlon)
    want_bdest, want_dist, want_bod = to['azi1'] % 360, to['s12'] / NM, leg.azi1 % 360
    want_closing = sog * math.cos(math.radians(cog - want_bdest))
    near(case, 'cross-track nm', xte, want_xte, 1e-6)
    if steer != want_steer: bad.append('%s: steer %s, geographiclib %s' % (case, steer, want_steer))
    bearing_near(case, 'bearing to destination', bdest, want_bdest, 1e-7)
    bearing_near(case, 'bearing origin to destination', bod, want_bod, 1e-7)
    near(case, 'distance nm', dist, want_dist, 1e-9)
    near(case, 'closing knots', closing, want_closing, 1e-6)
    try:
        rmb, apb, xte_s, bwc, bod_s = [pynmea2.parse(s, check=True) for s in sentences]
    except Exception as e:
        bad.append('%s: pynmea2 refuses a sentence: %s' % (case, e)); continue
    half_cent, half_tenth = 0.005 + 1e-9, 0.05 + 1e-9
    near(case, 'RMB cross-track', float(rmb.cross_track_error), min(want_xte, 9.99), half_cent)
    near(case, 'RMB range', float(rmb.dest_range), want_dist, half_cent)
    bearing_near(case, 'RMB bearing', float(rmb.dest_true_bearing), want_bdest, half_tenth)
    near(case, 'RMB closing', float(rmb.dest_velocity), want_closing, half_tenth)
    near(case, 'RMB destination latitude', (1 if rmb.dest_lat_dir == 'N' else -1) * (int(float(rmb.dest_lat) / 100) + float(rmb.dest_lat) % 100 / 60), dlat, 1e-6)
    near(case, 'RMB destination longitude', (1 if rmb.dest_lon_dir == 'E' else -1) * (int(float(rmb.dest_lon) / 100) + float(rmb.dest_lon) % 100 / 60), dlon, 1e-6)
    near(case, 'APB cross-track', float(apb.cross_track_err_mag), want_xte, half_cent)
    bearing_near(case, 'APB origin to destination', float(apb.bearing_to_dest), want_bod, half_tenth)
    bearing_near(case, 'APB present to destination', float(apb.bearing_pres_dest), want_bdest, half_tenth)
    bearing_near(case, 'APB heading to steer', float(apb.heading_to_dest), want_bdest, half_tenth)
    near(case, 'XTE cross-track', float(xte_s.cross_track_err_dist), want_xte, half_cent)
    bearing_near(case, 'BWC bearing', float(bwc.true_track), want_bdest, half_tenth)
    near(case, 'BWC range', float(bwc.range_next), want_dist, half_cent)
    bearing_near(case, 'BOD bearing', float(bod_s.bearing_t), want_bod, half_tenth)
    for name, s in (('RMB', rmb.cte_correction_dir), ('APB', apb.dir_steer), ('XTE', xte_s.correction_dir)):
        if s != want_steer: bad.append('%s: %s steers %s, geographiclib %s' % (case, name, s, want_steer))
print('\n'.join(bad) if bad else 'ok')
)PY";

struct LegCase {
    const char* name;
    Waypoint origin;
    Waypoint destination;
    double latitude;
    double longitude;
    double sogKnots;
    double cogDegrees;
};

const LegCase kLegCases[] = {
    {"HarbourRightOfTrack", {"ORIG", 54.0, -1.0}, {"DEST", 54.05, -0.95}, 54.021, -0.982, 6, 30},
    {"OceanLegFarLeftOfTrack", {"ORIG", 38.7, -9.4}, {"DEST", 40.6, -73.9}, 45.5, -40.0, 12, 280},
    {"AcrossTheAntimeridian", {"ORIG", -10, 179.5}, {"DEST", -12, -178.5}, -11.05, 179.9, 8, 120},
    {"SouthernOcean", {"ORIG", -60, -70}, {"DEST", -62, -50}, -61.2, -59, 15, 100},
    {"BehindTheOriginOfALegDueSouth", {"ORIG", 10, 20}, {"DEST", 9.5, 20}, 10.01, 20.003, 5, 180},
};

std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

TEST(RouteFollower, LegsAndSentencesAgreeWithGeographicLib) {
    std::string rows;
    for (const LegCase& c : kLegCases) {
        RouteFollower follower(Route{"check", {c.origin, c.destination}});
        follower.update(c.origin.latitude, c.origin.longitude, 0, 0);  // joins at the origin: reached at once
        follower.update(c.latitude, c.longitude, c.sogKnots, c.cogDegrees);
        ASSERT_TRUE(follower.leg().has_value()) << c.name;
        const RouteLeg& leg = *follower.leg();
        ASSERT_EQ(leg.originName, "ORIG") << c.name;
        Fix fix;
        fix.leg = leg;
        rows += c.name;
        for (const double value : {c.origin.latitude, c.origin.longitude, c.destination.latitude,
                                   c.destination.longitude, c.latitude, c.longitude, c.sogKnots, c.cogDegrees,
                                   leg.crossTrackNm, leg.bearingToDestination, leg.bearingOriginToDestination,
                                   leg.distanceToDestinationNm, leg.closingVelocityKnots}) {
            rows += "\t" + number(value);
        }
        rows += leg.steer == SteerDirection::Left ? "\tL" : "\tR";
        for (const char* type : {"RMB", "APB", "XTE", "BWC", "BOD"}) {
            rows += "\t" + composeSentences(*findSentenceType(type), fix, SentenceStyle{}, true).at(0);
        }
        rows += "\n";
    }
    testing::ScratchFolder folder;
    const std::string script = folder.write("check.py", kGeodesyCheck);
    const std::string input = folder.write("legs.tsv", rows);
    const testing::ProgramRun run = testing::runProgram("/usr/bin/python3 " + script + " < " + input);
    EXPECT_EQ(run.output, "ok\n");
}

// Ticks a ship at ten knots along `route` by autopilot until the route is finished or `ticks`
// have passed; gives the destination of the leg each tick reports, "" once none is.
std::vector<std::string> sail(RouteFollower& follower, int ticks, ShipState& ship) {
    testing::FixedRandom random{{}, false};
    std::vector<std::string> destinations;
    for (int tick = 0; tick < ticks; ++tick) {
        StepInputs inputs;
        inputs.elapsed_ms = 1000;
        inputs.demanded_speed = 10;
        inputs.mode = SteeringMode::Autopilot;
        const auto course = follower.update(ship.Ship_Lat, ship.Ship_Lon, ship.Ship_Speed, ship.Ship_Heading);
        if (course) ship.AutoPilot_Dir = *course;
        const auto& leg = follower.leg();
        destinations.push_back(leg ? leg->destinationName + (leg->arrivalCircleEntered ? " circle" : "") +
                                         (leg->perpendicularPassed ? " passed" : "")
                                   : "");
        advanceShip(ship, inputs, random);
    }
    return destinations;
}

// Keeps the first of each run of equal entries.
std::vector<std::string> changes(const std::vector<std::string>& all) {
    std::vector<std::string> kept;
    for (const std::string& entry : all) {
        if (kept.empty() || kept.back() != entry) kept.push_back(entry);
    }
    return kept;
}

TEST(RouteFollower, SailsTheWaypointsInTurnThenHoldsItsCourse) {
    const Route harbour{"Harbour",
                        {{"Fair", 54.0, -1.0}, {"", 54.01, -1.0}, {"Pier", 54.01, -0.985}}};
    ShipState ship;
    ship.Ship_Lat = 53.995;
    ship.Ship_Lon = -1.001;
    RouteFollower follower(harbour);
    EXPECT_EQ(changes(sail(follower, 600, ship)),
              (std::vector<std::string>{"Fair", "Fair circle", "002", "002 circle", "Pier", "Pier circle", ""}));
    EXPECT_TRUE(follower.state().finished);

    const double heading = ship.Ship_Heading;
    const double latitude = ship.Ship_Lat;
    EXPECT_EQ(changes(sail(follower, 10, ship)), std::vector<std::string>{""}) << "no leg once finished";
    EXPECT_EQ(ship.Ship_Heading, heading) << "the ship holds its course";
    EXPECT_NE(ship.Ship_Lat, latitude) << "and sails on";
}

TEST(RouteFollower, PassingTheLineAtTheWaypointCountsWithoutEnteringTheCircle) {
    // Steps of five metres pass the waypoint without coming within 20 centimetres of it.
    RouteFollower follower(Route{"Line", {{"A", 54.0, -1.0}, {"B", 54.0, -0.99}, {"C", 54.01, -0.99}}}, 0.0001);
    ShipState ship;
    ship.Ship_Lat = 54.0;
    ship.Ship_Lon = -1.0;
    const auto destinations = changes(sail(follower, 300, ship));
    EXPECT_EQ(destinations, (std::vector<std::string>{"A circle", "B", "B passed", "C"}));
}

}  // namespace
}  // namespace pelora
