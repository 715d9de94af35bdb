// The platform's pseudo-random source: uniform single-precision numbers in [0, 1).
#pragma once

#include <cstdint>

namespace qv {

// Seeds the generator; the game does it once at start-up.
void Randomize(uint32_t seed);
// The next number: a multiple of 2^-24 in [0, 1).
float Rnd();

}  // namespace qv
