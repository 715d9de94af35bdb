#include "system/random.hpp"

#include "system/context.hpp"

namespace qv {

void RandomSource::seed(uint32_t seed) {
  uint32_t mixed = seed * 2654435761u;
  state_ = (mixed ^ (mixed >> 16)) & 0xFFFFFFu;
}

float RandomSource::next() {
  state_ = (state_ * 1140671485u + 12820163u) & 0xFFFFFFu;
  return static_cast<float>(state_) / 16777216.0f;
}

void Randomize(uint32_t seed) {
  current_context().random.seed(seed);
}

float Rnd() {
  return current_context().random.next();
}

}  // namespace qv
