// The AIS Targets dialog's fields read into targets, and a fleet made again of its targets.
#include "present/target_form.h"

#include <chrono>

#include <gtest/gtest.h>

namespace pelora {
namespace {

using std::chrono::seconds;

AisTarget argo() {
    return AisTarget{.mmsi = 235012345,
                     .name = "ARGO",
                     .callSign = "MABC1",
                     .shipType = 70,
                     .lengthMetres = 120,
                     .beamMetres = 18,
                     .lat = 54.5,
                     .lon = -1.25,
                     .courseDeg = 200,
                     .speedKnots = 8,
                     .rateOfTurnDegPerMin = 3,
                     .status = NavigationStatus::UnderWayUsingEngine};
}

struct FieldRow {
    const char* name;
    std::string TargetFields::*field;
    const char* typed;
    const char* problem;
};

void PrintTo(const FieldRow& row, std::ostream* os) { *os << row.name; }

class TargetFieldRows : public ::testing::TestWithParam<FieldRow> {};

TEST_P(TargetFieldRows, AFieldThatCannotBeSentIsRefusedWithTheReason) {
    TargetFields fields = targetFields(argo());
    fields.*GetParam().field = GetParam().typed;
    const TargetRead read = readTargetFields(fields);
    EXPECT_EQ(read.problem, GetParam().problem);
    EXPECT_FALSE(read.target.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TargetFieldRows,
    ::testing::Values(
        FieldRow{"ShortMmsi", &TargetFields::mmsi, "12345",
                 "MMSI 12345: must have nine digits (100000000 to 999999999)"},
        FieldRow{"MmsiBeyondThirtyTwoBits", &TargetFields::mmsi, "99999999999",
                 "MMSI 99999999999: must have nine digits (100000000 to 999999999)"},
        FieldRow{"MmsiNotANumber", &TargetFields::mmsi, "23501234x", "MMSI \"23501234x\": not a number of nine digits"},
        FieldRow{"LowerCaseName", &TargetFields::name, "Argo",
                 "name \"Argo\": 'r' (character 2) cannot be sent; AIS names use capital letters, digits, space "
                 "and !\"#$%&'()*+,-./:;<=>?[\\]^_"},
        FieldRow{"LatitudeBeyondThePole", &TargetFields::latitude, "91",
                 "latitude \"91\": not a latitude such as 54N30.0000 or 54.5"},
        FieldRow{"SpeedNotANumber", &TargetFields::speed, "fast", "speed \"fast\": not a number"},
        FieldRow{"CourseOutOfRange", &TargetFields::course, "361", "course 361: must be 0 to 360 degrees"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TargetFields, ATargetShownAndReadBackIsTheSame) {
    const TargetRead read = readTargetFields(targetFields(argo()));
    ASSERT_TRUE(read.target.has_value()) << read.problem;
    EXPECT_EQ(read.target->mmsi, 235012345u);
    EXPECT_EQ(read.target->callSign, "MABC1");
    EXPECT_NEAR(read.target->lat, 54.5, 1e-7);
    EXPECT_NEAR(read.target->lon, -1.25, 1e-7);
    EXPECT_DOUBLE_EQ(read.target->courseDeg, 200);
    EXPECT_DOUBLE_EQ(read.target->rateOfTurnDegPerMin, 3);
}

TEST(TargetFleet, AFleetMadeAgainOfItsTargetsGoesOnFromWhereTheyAre) {
    AisFleet sailing;
    ASSERT_FALSE(sailing.add(argo()));
    const AisTime start{std::chrono::milliseconds(1'750'000'000'000)};
    sailing.tick(start);
    sailing.tick(start + seconds(60));

    FleetBuild again = buildFleet(targetsNow(sailing));
    ASSERT_TRUE(again.fleet.has_value()) << again.problem;
    again.fleet->tick(start + seconds(60));
    for (int second = 61; second <= 120; ++second) {
        sailing.tick(start + seconds(second));
        again.fleet->tick(start + seconds(second));
    }
    EXPECT_NEAR(again.fleet->motion(0).lat(), sailing.motion(0).lat(), 1e-9);
    EXPECT_NEAR(again.fleet->motion(0).lon(), sailing.motion(0).lon(), 1e-9);
    EXPECT_NEAR(again.fleet->motion(0).courseDeg(), sailing.motion(0).courseDeg(), 1e-6);

    const std::vector<AisTarget> twice{argo(), argo()};
    EXPECT_EQ(buildFleet(twice).problem, "Target 2: MMSI 235012345: already the MMSI of target \"ARGO\"");
}

}  // namespace
}  // namespace pelora
