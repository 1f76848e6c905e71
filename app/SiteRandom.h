// The seedable random generator of the simulation: a 32-bit linear
// congruential generator, so a given seed gives the same walk everywhere.
#pragma once

#include <cstdint>

namespace doravo {

class TSiteRandom {
public:
    void SetSeed(uint32_t seed) { seed_ = seed; }
    uint32_t Seed() const { return seed_; }
    // Seeds from the clock's time of day in milliseconds.
    void Randomize(double now);
    // Uniform in [0, 1): advances the seed, then scales it by 2^-32.
    double Random();

private:
    uint32_t seed_ = 0;
};

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
int64_t Round(double value);

} // namespace doravo
