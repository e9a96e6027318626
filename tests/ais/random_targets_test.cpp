// Random targets: the "N[:RADIUS_NM]" choice, and the targets a seed gives.
#include "ais/random_targets.h"

#include <cmath>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ais/flat_chart.h"

namespace pelora {
namespace {

struct ParseRow {
    const char* label;
    const char* text;
    int count;          // 0: refused
    double radiusNm;
    const char* error;
};

class ParseRandomTargets : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseRandomTargets, ReadsOrSaysWhy) {
    const ParseRow& row = GetParam();
    const RandomTargetsParse parsed = parseRandomTargets(row.text);
    EXPECT_EQ(parsed.error, row.error);
    ASSERT_EQ(parsed.choice.has_value(), row.count > 0);
    if (parsed.choice) {
        EXPECT_EQ(parsed.choice->count, row.count);
        EXPECT_DOUBLE_EQ(parsed.choice->radiusNm, row.radiusNm);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseRandomTargets,
    ::testing::Values(
        ParseRow{"CountAlone", "50", 50, 10, ""},
        ParseRow{"CountAndRadius", " 1000 : 2.5 ", 1000, 2.5, ""},
        ParseRow{"Empty", "", 0, 0,
                 "AIS targets \"\": the number of targets must be a whole number from 1 to 1000, optionally "
                 "followed by \":\" and a radius in nautical miles (for example \"50:12\")"},
        ParseRow{"TooMany", "1001", 0, 0,
                 "AIS targets \"1001\": the number of targets must be a whole number from 1 to 1000"},
        ParseRow{"RadiusMissing", "5:", 0, 0,
                 "AIS targets \"5:\": the radius must be a number of nautical miles from 0.1 to 100"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RandomTargets, SameSeedSameTargetsAllValidWithinTheRadius) {
    const RandomTargetsChoice choice{1000, 12};
    const auto targets = randomTargets(choice, 50.5, -1.25, 42);
    const auto again = randomTargets(choice, 50.5, -1.25, 42);
    const auto other = randomTargets(choice, 50.5, -1.25, 43);
    ASSERT_EQ(targets.size(), 1000u);
    ASSERT_EQ(again.size(), targets.size());

    std::set<std::uint32_t> mmsis;
    int classB = 0;
    int anchored = 0;
    bool otherDiffers = false;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const AisTarget& t = targets[i];
        EXPECT_EQ(checkTarget(t), std::nullopt) << i;
        EXPECT_TRUE(mmsis.insert(t.mmsi).second) << "MMSI " << t.mmsi << " twice";
        const ChartOffset offset = chartOffset(50.5, -1.25, t.lat, t.lon);
        EXPECT_LE(std::hypot(offset.eastNm, offset.northNm), choice.radiusNm * (1 + 1e-3)) << i;
        EXPECT_EQ(std::tie(t.mmsi, t.name, t.callSign, t.lat, t.lon, t.courseDeg, t.speedKnots),
                  std::tie(again[i].mmsi, again[i].name, again[i].callSign, again[i].lat, again[i].lon,
                           again[i].courseDeg, again[i].speedKnots));
        otherDiffers = otherDiffers || other[i].mmsi != t.mmsi || other[i].lat != t.lat;
        classB += t.aisClass == AisClass::B;
        if (t.status == NavigationStatus::AtAnchor) {
            ++anchored;
            EXPECT_EQ(t.speedKnots, 0);
        }
    }
    EXPECT_TRUE(otherDiffers) << "another seed, other targets";
    EXPECT_GT(classB, 200);
    EXPECT_LT(classB, 400);
    EXPECT_GT(anchored, 50);
}

}  // namespace
}  // namespace pelora
