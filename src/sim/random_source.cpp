#include "sim/random_source.h"

namespace pelora {

namespace {
constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
}  // namespace

// A permuted congruential generator (64-bit state, 32-bit output); the top 24 bits of each
// output make a float with every value a multiple of 2^-24 below 1.
float ProgramRandom::next() {
    const std::uint64_t old = m_state;
    m_state = old * kMultiplier + kIncrement;
    const auto xorShifted = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
    const auto rotation = static_cast<std::uint32_t>(old >> 59U);
    const std::uint32_t output = (xorShifted >> rotation) | (xorShifted << ((32U - rotation) & 31U));
    return static_cast<float>(output >> 8U) * (1.0f / 16777216.0f);
}

}  // namespace pelora
