// The generator's only source of irregularity: a fixed-seed generator and smooth noise
// hashed from it, so every run draws the same grain and fibres.
#pragma once

#include <cstdint>

#include "tools/artgen/geometry.hpp"

namespace artgen {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next();
  // Uniform in [0, 1).
  float uniform() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }
  float between(float lo, float hi) { return lo + (hi - lo) * uniform(); }

 private:
  uint64_t state_;
};

// A value in [0, 1) fixed by the lattice point and the seed.
float lattice_value(int32_t x, int32_t y, uint32_t seed);
// Smoothly interpolated lattice values: soft blotches one unit across.
float value_noise(Vec p, uint32_t seed);
// Several octaves of value noise, each half the size and half the strength: about 0..1.
float fractal_noise(Vec p, int octaves, uint32_t seed);

}  // namespace artgen
