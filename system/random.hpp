// The platform's pseudo-random source: uniform single-precision numbers in [0, 1).
#pragma once

#include <cstdint>

namespace qv {

// A 24-bit linear congruential generator: every value it yields is exact in single precision.
class RandomSource {
 public:
  void seed(uint32_t seed);
  float next();
  // Where the generator stands: the next number follows from it alone.
  uint32_t state() const { return state_; }

 private:
  uint32_t state_ = 0x50000;
};

// Seeds the current context's generator; the game does it once at start-up.
void Randomize(uint32_t seed);
// The next number: a multiple of 2^-24 in [0, 1).
float Rnd();

}  // namespace qv
