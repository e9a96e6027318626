#include "nmea/sentence_table.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace pelora {
namespace {

Fix legFix() {
    Fix fix;
    fix.time = DateTime{2026, 12, 6, 12, 34, 56};
    RouteLeg leg;
    leg.originName = "Fairway buoy";
    leg.destinationName = "Pier,2*";
    leg.destinationLatitude = 54.02;
    leg.destinationLongitude = -1.25;
    leg.bearingOriginToDestination = 10.04;
    leg.bearingToDestination = 359.97;
    leg.headingToSteer = 359.97;
    leg.distanceToDestinationNm = 1.234;
    leg.crossTrackNm = 0.0549;
    leg.steer = SteerDirection::Right;
    leg.closingVelocityKnots = 5.94;
    fix.leg = leg;
    return fix;
}

struct RouteRow {
    const char* name;
    const char* type;
    std::function<void(Fix&, SentenceStyle&)> change;
    const char* expected;
};

class RouteSentence : public ::testing::TestWithParam<RouteRow> {};

TEST_P(RouteSentence, ComesOutByteForByte) {
    Fix fix = legFix();
    SentenceStyle style;
    if (GetParam().change) GetParam().change(fix, style);
    const SentenceType* type = findSentenceType(GetParam().type);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(composeSentences(*type, fix, style, false), std::vector<std::string>{GetParam().expected});
}

void lostFixOnGn(Fix& fix, SentenceStyle& style) {
    fix.state = FixState::NoFix;
    style.talker = "GN";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RouteSentence,
    ::testing::Values(
        RouteRow{"RMB", "RMB", nullptr,
                 "$GPRMB,A,0.05,R,Fairwa,Pier_2,5401.2000,N,00115.0000,W,1.23,000.0,5.9,V,A*00"},
        RouteRow{"APB", "APB", nullptr, "$GPAPB,A,A,0.05,R,N,V,V,010.0,T,Pier_2,000.0,T,000.0,T,A*16"},
        RouteRow{"XTE", "XTE", nullptr, "$GPXTE,A,A,0.05,R,N,A*18"},
        RouteRow{"BWC", "BWC", nullptr, "$GPBWC,123456,5401.2000,N,00115.0000,W,000.0,T,,M,1.23,N,Pier_2,A*21"},
        RouteRow{"BOD", "BOD", nullptr, "$GPBOD,010.0,T,,M,Pier_2,Fairwa*01"},
        RouteRow{"XTEWithoutFix", "XTE", lostFixOnGn, "$GNXTE,V,A,0.05,R,N,N*1E"},
        RouteRow{"RMBFarOffTrackArrivingFromWhereTheShipJoined", "RMB",
                 [](Fix& fix, SentenceStyle& style) {
                     lostFixOnGn(fix, style);
                     fix.leg->originName.clear();
                     fix.leg->destinationName = "001";
                     fix.leg->crossTrackNm = 12.5;
                     fix.leg->steer = SteerDirection::Left;
                     fix.leg->closingVelocityKnots = -5.94;
                     fix.leg->arrivalCircleEntered = true;
                 },
                 "$GNRMB,V,9.99,L,,001,5401.2000,N,00115.0000,W,1.23,000.0,-5.9,A,N*76"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RouteSentences, GiveNoLineWithoutARoute) {
    Fix fix = legFix();
    fix.leg.reset();
    for (const char* name : {"RMB", "APB", "XTE", "BWC", "BOD"}) {
        EXPECT_TRUE(composeSentences(*findSentenceType(name), fix, SentenceStyle{}, true).empty()) << name;
    }
}

}  // namespace
}  // namespace pelora
