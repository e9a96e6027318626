#pragma once

#include <cstdint>

namespace pelora {

// A source of uniform random numbers in [0, 1), single precision.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Draws the next number; always >= 0 and < 1.
    virtual float next() = 0;
    // Starts the sequence again from `seed` (a scenario's); a source without seeds ignores it.
    virtual void reseed(std::uint64_t /*seed*/) {}
};

// The program's one generator: a fixed start state, never seeded from the clock, so every
// run of the program draws the same sequence (and two runs with the same seed draw the same).
class ProgramRandom final : public RandomSource {
public:
    static constexpr std::uint64_t kStartState = 0x853c49e6748fea9bULL;

    // `seed` is the start state; every seed gives a sequence of its own.
    explicit ProgramRandom(std::uint64_t seed = kStartState) : m_state(seed) {}

    float next() override;
    void reseed(std::uint64_t seed) override { m_state = seed; }

private:
    std::uint64_t m_state;
};

}  // namespace pelora
