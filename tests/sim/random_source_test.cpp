#include "sim/random_source.h"

#include <set>

#include <gtest/gtest.h>

namespace pelora {
namespace {

TEST(ProgramRandom, EveryRunDrawsTheSameSequence) {
    ProgramRandom first;
    ProgramRandom second;
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(first.next(), second.next()) << i;
}

TEST(ProgramRandom, UniformInHalfOpenUnitInterval) {
    ProgramRandom random;
    constexpr int kDraws = 200000;
    double sum = 0;
    int lowerHalf = 0;
    std::set<float> distinct;
    for (int i = 0; i < kDraws; ++i) {
        const float r = random.next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        sum += r;
        if (r < 0.5f) ++lowerHalf;
        if (distinct.size() < 1000) distinct.insert(r);
    }
    EXPECT_NEAR(sum / kDraws, 0.5, 0.01);
    EXPECT_NEAR(static_cast<double>(lowerHalf) / kDraws, 0.5, 0.01);
    EXPECT_EQ(distinct.size(), 1000U);
}

}  // namespace
}  // namespace pelora
