#include "tools/artgen/noise.hpp"

namespace artgen {
namespace {

uint64_t mix64(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

uint64_t Rng::next() {
  state_ += 0x9E3779B97F4A7C15ull;
  return mix64(state_);
}

float lattice_value(int32_t x, int32_t y, uint32_t seed) {
  uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) ^
                 static_cast<uint32_t>(y) ^ (static_cast<uint64_t>(seed) * 0x9E3779B97F4A7C15ull);
  return static_cast<float>(mix64(key) >> 40) * (1.0f / 16777216.0f);
}

float value_noise(Vec p, uint32_t seed) {
  float fx = std::floor(p.x), fy = std::floor(p.y);
  auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
  float tx = smoothstep(0, 1, p.x - fx), ty = smoothstep(0, 1, p.y - fy);
  float a = lattice_value(ix, iy, seed), b = lattice_value(ix + 1, iy, seed);
  float c = lattice_value(ix, iy + 1, seed), d = lattice_value(ix + 1, iy + 1, seed);
  float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

float fractal_noise(Vec p, int octaves, uint32_t seed) {
  float sum = 0, weight = 0.5f, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += value_noise(p, seed + static_cast<uint32_t>(i) * 101u) * weight;
    total += weight;
    p = p * 2.0f + Vec{17.3f, 5.1f};
    weight *= 0.5f;
  }
  return sum / total;
}

}  // namespace artgen
