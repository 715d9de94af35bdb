// The star field: coloured streaks falling behind the action, a ring of 101 slots of which
// every third frame takes the next.
#include <cmath>

#include "system/random.hpp"
#include "system/surface.hpp"
#include "play/player.hpp"

namespace qv {
namespace {

constexpr int32_t kSpawnEvery = 3;
constexpr int32_t kStarFall = 5;
constexpr int32_t kStartY = -5;  // first drawn at y 0, after the fall of its own frame
constexpr float kXRange = 430.0f;
constexpr float kColourRange = 11.0f;
constexpr int32_t kStripX = 598, kStripY = 460;  // colour c is the strip in column 598 + c

// Single precision, then to the nearest whole number with halves to even; so the two ends of
// each range come up half as often as the numbers between.
int32_t random_up_to(float range) {
  float scaled = Rnd() * range;
  return static_cast<int32_t>(std::nearbyint(scaled));
}

void start_star(Int& st_next, StarArray& st_x, StarArray& st_y, StarArray& st_c) {
  st_x[st_next] = random_up_to(kXRange);
  st_y[st_next] = kStartY;
  st_c[st_next] = random_up_to(kColourRange);
  st_next += 1;
  if (st_next == StarArray::size) st_next = 0;
}

}  // namespace

void Move_Stars(Int& st_phase, Int& st_next, StarArray& st_x, StarArray& st_y, StarArray& st_c,
                int32_t hdc_character, int32_t hdc_back, Int& loop_i) {
  st_phase += 1;
  if (st_phase == kSpawnEvery) {
    start_star(st_next, st_x, st_y, st_c);
    st_phase = 0;
  }
  // Every slot falls and is copied, star or not; those far below are clipped away. A slot
  // comes round again after 303 frames, so y never gets much past 1500.
  for (loop_i = 0; loop_i <= StarArray::upper; loop_i += 1) {
    st_y[loop_i] += kStarFall;
    Blt_Copy(hdc_character, kStripX + st_c[loop_i], kStripY, 1, 10, hdc_back, st_x[loop_i],
             st_y[loop_i]);
  }
}

}  // namespace qv
