// The boss battle: the last two blocks of the script. The boss lives in enemy slot 10, sways
// in an 80-frame cycle and, at the end of each cycle, winds the stage clock back, so the
// script never passes it: the battle lasts until its 200 hits are used up.
#include <array>

#include "record/window.hpp"
#include "stage/blocks.hpp"
#include "stage/stage.hpp"

namespace qv::stage {
namespace {

constexpr int32_t kBoss = 10;  // enemy slot
constexpr int32_t kArrival = kBossArrival;
constexpr int32_t kSwayStart = 2130;  // first frame of the first cycle; the clock's wind-back
constexpr int32_t kCycleEnd = 2210;
constexpr int32_t kFirstVolley = 2140;
constexpr int32_t kVolleyGap = 10;
constexpr int32_t kSwirlsPerVolley = 6;
constexpr int32_t kFirstPatternVolleys = 30;
constexpr int32_t kLastMovedSwirl = 47;
constexpr int32_t kLastBullet = decltype(GameState::bl_on)::upper;
// Seven volleys fit a cycle, into swirls 0 to 41; 42 to 47 are moved with them but no volley
// ever puts them back at the boss.
constexpr int32_t kFirstUnfiredSwirl = 42;
constexpr Sprite kBossSprite{140, 0, 460, 260};
constexpr int32_t kBossSpriteLeft = 130;  // the hit box starts this far into the sprite
constexpr Sprite kSwirl{600, 0, 20, 30};

// One volley's six swirls, by position in the volley: first a single fan from the boss's
// middle, later two trios from its flanks that cross.
constexpr std::array<Step, 6> kFanSteps{{{7, 10}, {4, 11}, {1, 12}, {-1, 12}, {-4, 11}, {-7, 10}}};
constexpr std::array<Step, 6> kCrossSteps{{{0, 10}, {3, 9}, {5, 8}, {0, 10}, {-3, 9}, {-5, 8}}};

void move_boss(GameState& s) {
  const int32_t f = s.stage_count;
  if (f == kArrival) {
    s.en_x[kBoss] = 100;
    s.en_y[kBoss] = -260;
    s.en_hits[kBoss] = 200;
    s.en_size[kBoss] = 200;
  } else if (f < kSwayStart) {
    s.en_y[kBoss] += 2;
  } else if (f < 2150) {
    s.en_x[kBoss] += 2;
  } else if (f < 2170) {
    s.en_x[kBoss] -= 2;
  } else if (f < 2190) {
    s.en_x[kBoss] += 2;
  } else if (f < kCycleEnd) {
    s.en_x[kBoss] -= 2;
  } else {
    // 2130, not 2129: the frame tick advances the clock before the script, so the next cycle
    // runs from 2131 and comes back 2 pixels further left each time.
    s.stage_count = kSwayStart;
    s.volley_no = 0;
  }
}

bool first_pattern(const GameState& s) {
  return s.volley_count < kFirstPatternVolleys;
}

void fire_volley(GameState& s) {
  if (s.stage_count != kFirstVolley + kVolleyGap * s.volley_no) return;
  const bool fan = first_pattern(s);
  const Int first = s.volley_no * kSwirlsPerVolley;
  for (s.loop_i = first; s.loop_i <= first + (kSwirlsPerVolley - 1); s.loop_i += 1) {
    const int32_t j = s.loop_i;
    if (fan) {
      s.bl_x[j] = s.en_x[kBoss] + 100;
    } else {
      s.bl_x[j] = s.loop_i < first + 3 ? s.en_x[kBoss] : s.en_x[kBoss] + 200;
    }
    s.bl_y[j] = s.en_y[kBoss] + 150;
    s.bl_on[j] = 1;
    s.bl_size[j] = 20;
    if (s.en_hits[kBoss] == 0) s.bl_on[j] = 0;  // a dead boss goes through the motions
  }
  s.volley_no += 1;
  if (fan) s.volley_count += 1;
}

// Every swirl of every volley slot moves each frame, flying or not, by the pattern in force.
void move_swirls(GameState& s) {
  const std::array<Step, 6>& steps = first_pattern(s) ? kFanSteps : kCrossSteps;
  for (s.loop_i = 0; s.loop_i <= kLastMovedSwirl - 5; s.loop_i += kSwirlsPerVolley) {
    for (int32_t j = 0; j < kSwirlsPerVolley; ++j) {
      const int32_t b = s.loop_i + j;
      if (b >= kFirstUnfiredSwirl) {
        // Never rewritten: they fly on for as long as the battle lasts.
        s.bl_x[b].saturating_add(steps[j].dx);
        s.bl_y[b].saturating_add(steps[j].dy);
      } else {
        s.bl_x[b] += steps[j].dx;
        s.bl_y[b] += steps[j].dy;
      }
    }
  }
}

// All bullet slots, including 48 to 50 that the boss never moves: whatever an earlier wave
// left armed there is drawn as a swirl where it stopped.
void draw_swirls(Window& win) {
  GameState& s = win.s;
  for (s.loop_i = 0; s.loop_i <= kLastBullet; s.loop_i += 1) {
    const int32_t j = s.loop_i;
    if (s.bl_on[j] == 0) continue;
    Blt_Sprite(win.character.hDC(), win.mask.hDC(), kSwirl.x, kSwirl.y, kSwirl.w, kSwirl.h,
               win.offPB.hDC(), s.bl_x[j], s.bl_y[j]);
  }
}

}  // namespace

// Unlike a wave, the boss is drawn on its spawn frame too (wholly above the surface).
void Boss_Block(Window& win) {
  GameState& s = win.s;
  if (s.stage_count < kArrival) return;
  move_boss(s);
  if (s.en_hits[kBoss] != 0) {
    Blt_Sprite(win.character.hDC(), win.mask.hDC(), kBossSprite.x, kBossSprite.y, kBossSprite.w,
               kBossSprite.h, win.offPB.hDC(), s.en_x[kBoss] - kBossSpriteLeft, s.en_y[kBoss]);
    s.roll_y = -200;  // keeps the staff roll ready above the surface while the boss lives
  } else {
    Ending_Step(win);
  }
}

// Runs after the boss block, so on a wind-back frame (clock back at 2130) it does nothing:
// the swirls neither move nor show for that one frame.
void Attack_Block(Window& win) {
  GameState& s = win.s;
  if (s.stage_count <= kSwayStart) return;
  fire_volley(s);
  move_swirls(s);
  draw_swirls(win);
}

}  // namespace qv::stage
