// Closest point of approach against crossings worked by hand on the flat chart.
#include "ais/closest_approach.h"

#include <string>

#include <gtest/gtest.h>

namespace pelora {
namespace {

constexpr double kCos50 = 0.64278760968653936;

struct ApproachRow {
    const char* label;
    Movement own;
    Movement target;
    double cpaNm;
    double tcpaMin;
    bool opening;
    bool steady;
};

class ClosestApproachOf : public ::testing::TestWithParam<ApproachRow> {};

TEST_P(ClosestApproachOf, HandWorkedCase) {
    const ApproachRow& row = GetParam();
    const ClosestApproach approach = closestApproach(row.own, row.target);
    EXPECT_NEAR(approach.cpaNm, row.cpaNm, 1e-9);
    EXPECT_NEAR(approach.tcpaMin, row.tcpaMin, 1e-9);
    EXPECT_EQ(approach.opening, row.opening);
    EXPECT_EQ(approach.steady, row.steady);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosestApproachOf,
    ::testing::Values(
        // Own ship north at 10 kn; a target 5 NM east steers west at 10 kn. Relative position
        // (5, 0) NM, relative velocity (-10, -10) kn: TCPA = 50 / 200 h = 15 min, when the target
        // is 2.5 NM east and 2.5 NM south: CPA = 2.5 * sqrt(2).
        ApproachRow{"Crossing", {50, -1, 10, 0}, {50, -1 + 5.0 / 60 / kCos50, 10, 270}, 3.5355339059327378, 15,
                    false, false},
        // Head on, 6 NM apart, closing at 24 kn: they meet in 15 minutes.
        ApproachRow{"HeadOn", {50, 0, 12, 0}, {50.1, 0, 12, 180}, 0, 15, false, false},
        // A target 2 NM astern running south at 5 kn while the own ship runs north at 10 kn:
        // they were together 8 minutes ago.
        ApproachRow{"Opening", {0, 0, 10, 0}, {-2.0 / 60, 0, 5, 180}, 0, -8, true, false},
        // Overtaken: a target 1 NM astern at 16 kn, the own ship at 10 kn, 0.3 NM apart abeam.
        ApproachRow{"Overtaking", {0.5 / 60, 0, 10, 0}, {-0.5 / 60, 0.3 / 60, 16, 0}, 0.3, 10, false, false},
        // The antimeridian between them: 0.1 degree of longitude on the equator is 6 NM.
        ApproachRow{"AcrossTheAntimeridian", {0, 179.95, 0, 0}, {0, -179.95, 12, 270}, 0, 30, false, false},
        // Same course and speed: the distance never changes.
        ApproachRow{"SameVelocity", {50, 0, 10, 45}, {50, 3.0 / 60 / kCos50, 10, 45}, 3, 0, false, true},
        ApproachRow{"BothStopped", {0, 0, 0, 0}, {4.0 / 60, 0, 0, 90}, 4, 0, false, true}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace pelora
