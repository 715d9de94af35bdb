#include "system/random.hpp"

namespace qv {
namespace {

// A 24-bit linear congruential generator: every value it yields is exact in single precision.
uint32_t g_state = 0x50000;

}  // namespace

void Randomize(uint32_t seed) {
  uint32_t mixed = seed * 2654435761u;
  g_state = (mixed ^ (mixed >> 16)) & 0xFFFFFFu;
}

float Rnd() {
  g_state = (g_state * 1140671485u + 12820163u) & 0xFFFFFFu;
  return static_cast<float>(g_state) / 16777216.0f;
}

}  // namespace qv
